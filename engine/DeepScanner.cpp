#include "engine/DeepScanner.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "engine/BlockLayout.h"
#include "engine/ChainLinker.h"
#include "engine/FileWindow.h"
#include "engine/MessageFileName.h"
#include "engine/ScanStop.h"

namespace tervaline::engine {

namespace {

// The four data bytes a deleted block gives up to its back pointer.
constexpr char kLostBytes[] = "----";
constexpr std::size_t kLostCount = 4;

// Whether Text begins like a message: its first line is a header field, a
// name of printable characters other than the colon, then a colon.
bool BeginsLikeMessage(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] != ':') {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x21 || c > 0x7E) return false;
        ++i;
    }
    return i > 0 && i < text.size();
}

}  // namespace

TDeepScanner::TDeepScanner(TFileWindow& window, TProgressMeter& progress, const TScanStop& stop)
    : window_(window), progress_(progress), stop_(stop) {}

TDeepScanner::~TDeepScanner() = default;

void TDeepScanner::CheckFileHeader() { from_ = ScanStart(window_); }

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
        if (carved.Deleted) {
            std::memcpy(data, kLostBytes, std::min(kLostCount, take));
            AddByteRange(carved.Lost, h.Position + kBlockHeaderSize, std::min(kLostCount, take));
        }
        try {
            carved.Text.append(reinterpret_cast<const char*>(data), take);
        } catch (const std::bad_alloc&) {
            carved.Text = std::string();
            carved.Unwritten =
                "Not enough memory for the message at " + MessageFileName(carved.Start, window_.FileSize());
            return carved;
        }
        ++carved.Blocks;
        AddByteRange(carved.Read, h.Position, kBlockHeaderSize + take);
        if (take < h.Len) carved.Truncated = true;
        if (linker_->EndsChain(at)) {
            // A last block that still points on lost its successor to damage,
            // a cycle or the end of the file.
            if (h.Next != 0 && (carved.Deleted || h.Len == kBlockDataSize)) carved.Truncated = true;
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
        const std::size_t end = carved.Text.find_last_not_of('\0');
        carved.Text.resize(end == std::string::npos ? 0 : end + 1);
    } else {
        carved.Fragment = !BeginsLikeMessage(carved.Text);
    }
    return carved;
}

}  // namespace tervaline::engine
