#include "engine/DeepScanner.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#include "engine/BlockLayout.h"
#include "engine/CarvedText.h"
#include "engine/ChainLinker.h"
#include "engine/FileWindow.h"
#include "engine/ScanStop.h"

namespace tervaline::engine {

namespace {

// The four data bytes a deleted block gives up to its back pointer.
constexpr char kLostBytes[] = "----";
constexpr std::size_t kLostCount = 4;

}  // namespace

TDeepScanner::TDeepScanner(TFileWindow& window, TProgressMeter& progress, const TScanStop& stop, TSpillPlace spill)
    : window_(window), progress_(progress), stop_(stop), spill_(std::move(spill)) {}

TDeepScanner::~TDeepScanner() = default;

bool TDeepScanner::CheckFileHeader() {
    from_ = ScanStart(window_);
    return from_ > 0;
}

std::uint64_t TDeepScanner::SearchedTo() const {
    if (!linker_) return index_.Reached();
    return next_ < index_.Size() ? index_[next_].Position : window_.FileSize();
}

bool TDeepScanner::NextChain() {
    if (!linker_) {
        if (!index_.Build(window_, from_, progress_, stop_)) return false;
        linker_ = std::make_unique<TChainLinker>(index_);
    }
    if (stop_.SearchStopped()) return false;
    while (next_ < index_.Size() && !linker_->StartsChain(next_)) ++next_;
    if (next_ == index_.Size()) {
        reachedEnd_ = true;
        return false;
    }
    current_ = next_++;
    return true;
}

TCarvedMessage TDeepScanner::CarveChain() {
    assert(linker_ && linker_->StartsChain(current_));
    TCarvedMessage carved;
    carved.Start = index_[current_].Position;
    carved.Deleted = index_[current_].Form == TBlockForm::Deleted;
    TCarvedText text(carved, spill_, window_.FileSize());
    std::size_t at = current_;
    std::int64_t delta = index_[at].Delta();
    for (;;) {
        const TIndexedHeader& h = index_[at];
        std::uint8_t data[kBlockDataSize];
        // A block cut by the end of the file gives only the bytes it has.
        const std::size_t inFile = window_.ReadAt(h.Position + kBlockHeaderSize, data, sizeof data);
        std::size_t take = std::min<std::size_t>(h.Len, inFile);
        if (carved.Deleted) std::memcpy(data, kLostBytes, std::min(kLostCount, take));
        text.Append(data, take);
        if (linker_->EndsChain(at)) break;
        const auto next = linker_->Successor(at, delta);
        // The linker ended every chain where no successor was left to it.
        assert(next);
        at = next->Block;
        delta = next->Delta;
    }
    if (carved.Deleted) {
        // A deleted block does not record its length: what follows the
        // message in its last block is the padding of zeros.
        text.DropTrailingZeros();
    } else {
        carved.Fragment = !text.BeginsLikeMessage();
    }
    return carved;
}

}  // namespace tervaline::engine
