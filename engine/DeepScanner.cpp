#include "engine/DeepScanner.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#include "engine/BlockLayout.h"
#include "engine/CarvedText.h"
#include "engine/ChainLinker.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"

namespace tervaline::engine {

namespace {

// What stands in the text for the data bytes a deleted block gave up to
// its back pointer.
constexpr char kLostBytes[kDeletedLostBytes + 1] = "----";
constexpr std::size_t kLostCount = kDeletedLostBytes;

}  // namespace

TDeepScanner::TDeepScanner(TFileWindow& window, TProgressMeter& progress, const TScanStop& stop, TSpillPlace spill)
    : window_(window), progress_(progress), stop_(stop), spill_(std::move(spill)) {}

TDeepScanner::~TDeepScanner() = default;

bool TDeepScanner::CheckFileHeader() {
    from_ = ScanStart(window_);
    return from_ > 0;
}

std::uint64_t TDeepScanner::SearchedTo() const {
    // While the index is being built nothing has been carved: what the
    // pass has read, summed over its segments, is no place in the store.
    if (!linker_) return from_;
    return next_ < index_.Size() ? index_[next_].Position : window_.FileSize();
}

bool TDeepScanner::NextChain() {
    if (!linker_) {
        if (!index_.Build(window_, from_, progress_, stop_)) return false;
        linker_ = std::make_unique<TChainLinker>(index_);
        // The carving reads the store once more, in the order of the index.
        progress_.NextPass();
    }
    if (stop_.SearchStopped()) return false;
    while (next_ < index_.Size() && !linker_->StartsChain(next_)) ++next_;
    if (next_ == index_.Size()) {
        reachedEnd_ = true;
        return false;
    }
    current_ = next_++;
    progress_.Reach(index_[current_].Position);
    return true;
}

std::uint64_t TDeepScanner::RunEnd(std::size_t block, std::int64_t delta) const {
    std::uint64_t end = index_[block].Position + kBlockSize;
    const std::uint64_t most = index_[block].Position + window_.BufferSize();
    while (!linker_->EndsChain(block) && end + kBlockSize <= most) {
        const auto next = linker_->Successor(block, delta);
        if (!next || index_[next->Block].Position != end) break;
        block = next->Block;
        delta = next->Delta;
        end += kBlockSize;
    }
    return end;
}

TCarvedMessage TDeepScanner::CarveChain() {
    assert(linker_ && linker_->StartsChain(current_));
    TCarvedMessage carved;
    carved.Start = index_[current_].Position;
    carved.Deleted = index_[current_].Form == TBlockForm::Deleted;
    TCarvedText text(carved, spill_, window_.FileSize());
    std::size_t at = current_;
    std::int64_t delta = index_[at].Delta();
    // Where the run of blocks that stand one behind the other ends: a read
    // from the file takes no more than the run, since the blocks of chains
    // lie scattered over the file with other data between them.
    std::uint64_t runEnd = 0;
    std::uint64_t behind = 0;  // the position right behind the block before
    for (;;) {
        const TIndexedHeader& h = index_[at];
        if (h.Position != behind || h.Position >= runEnd) runEnd = RunEnd(at, delta);
        behind = h.Position + kBlockSize;
        std::uint8_t data[kBlockDataSize];
        // A block cut by the end of the file gives only the bytes it has.
        const std::size_t inFile = window_.ReadAt(h.Position + kBlockHeaderSize, data, sizeof data,
                                                  runEnd - h.Position - kBlockHeaderSize);
        std::size_t take = std::min<std::size_t>(h.Len, inFile);
        // The index holds no block the disk could not read; one that has
        // failed since is not taken either, and the chain ends before it.
        if (!window_.UnreadableIn(h.Position, kBlockHeaderSize + take).empty()) {
            carved.CutAtUnreadable(window_.UnreadableIn(h.Position, kBlockSize));
            break;
        }
        if (carved.Deleted) {
            std::memcpy(data, kLostBytes, std::min(kLostCount, take));
            AddByteRange(carved.Lost, h.Position + kBlockHeaderSize, std::min(kLostCount, take));
        }
        // A text that cannot be kept is still read to its end, so that no
        // block of it is left over.
        text.Append(data, take);
        ++carved.Blocks;
        AddByteRange(carved.Read, h.Position, kBlockHeaderSize + take);
        if (take < h.Len) carved.Truncated = true;
        if (linker_->EndsChain(at)) {
            // A last block that still points on lost its successor to damage,
            // a cycle or the end of the file.
            if (h.Next != 0 && (carved.Deleted || h.Len == kBlockDataSize)) {
                carved.Truncated = true;
                // Where the successor lay in an area the disk could not
                // read, its bytes are what the chain lost.
                const std::int64_t successor = delta + static_cast<std::int64_t>(h.Next);
                if (successor >= 0) {
                    const auto unreadable = window_.UnreadableIn(static_cast<std::uint64_t>(successor), kBlockSize);
                    if (!unreadable.empty()) carved.CutAtUnreadable(unreadable);
                }
            }
            break;
        }
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
