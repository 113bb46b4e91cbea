#include "engine/ChainSource.h"

#include "engine/AssertionFailed.h"
#include "engine/BlockLayout.h"
#include "engine/ChainScanner.h"
#include "engine/DeepScanner.h"
#include "engine/FileWindow.h"

namespace tervaline::engine {

std::unique_ptr<TChainSource> MakeChainSource(TFileWindow& window, const TScanRules& rules, TProgressMeter& progress,
                                              const TScanStop& stop, const TSpillPlace& spill) {
    switch (rules.Follow) {
        case TChainFollow::NextPointer:
            return std::make_unique<TDeepScanner>(window, progress, stop, spill);
        case TChainFollow::Contiguous:
            break;
    }
    return std::make_unique<TChainScanner>(window, rules, progress, stop, spill);
}

std::uint64_t ScanStart(TFileWindow& window) {
    if (window.BufferSize() < 8) throw EAssertionFailed(TCheck::BufferHoldsSignature);
    window.Load(0);
    std::uint8_t signature[8];
    window.Peek(signature, sizeof signature);
    const bool store = ReadLE32(signature) == kSignatureWord1 && ReadLE32(signature + 4) == kSignatureWord2;
    return store ? kStoreHeaderSize : 0;
}

}  // namespace tervaline::engine
