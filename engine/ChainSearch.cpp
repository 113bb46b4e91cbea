// The search for the start of the next block chain, in Shallow mode (a
// header that records its own position, on a 4-byte grid) and Bottom mode
// (any 512 size field, at every byte).
#include <cstdint>

#include "engine/BlockLayout.h"
#include "engine/DbxScan.h"

namespace tervaline::engine {

std::uint32_t TDBXScanThread::FindChain() {
    const std::int64_t limit = static_cast<std::int64_t>(fileSize_) - kBlockHeaderSize;
    const bool shallow = scanMode_ == 0;
    const std::uint32_t step = scanMode_ < 0 ? 1 : 4;
    for (;;) {
        const std::uint32_t p = Position();
        // The window operations, taken inline while the bytes needed lie in
        // the window; at its edge the operations themselves refill it.
        std::uint32_t v;
        if (windowPos_ + 4 <= windowLen_) {
            v = ReadLE32(windowBuf_.get() + windowPos_);
        } else {
            std::uint8_t word[4];
            Peek(word, sizeof word);
            v = ReadLE32(word);
        }
        // A header whose self offset is right is found at its first byte.
        if (shallow && p > 4 && v == p) return p;
        if (v == kBlockDataSize && p > 8) {
            Back(4);
            return p;
        }
        if (windowPos_ + step <= windowLen_) {
            windowPos_ += step;
        } else {
            Skip(step);
        }
        if (p > progressMark_) DoProgress(p);
        if (StopRequested()) return 0;
        if (static_cast<std::int64_t>(p) >= limit) return 0;
    }
}

}  // namespace tervaline::engine
