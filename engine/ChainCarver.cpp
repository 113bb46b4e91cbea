// The store signature, and the reassembly of each chain from its blocks.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>

#include "engine/BlockLayout.h"
#include "engine/CarvedText.h"
#include "engine/ChainScanner.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"

namespace tervaline::engine {

bool TChainScanner::CheckFileHeader() {
    const std::uint64_t start = ScanStart(window_);
    if (start > 0) {
        window_.Skip(start);
    } else {
        window_.Load(0);
    }
    return start > 0;
}

bool TChainScanner::Accepts(const TBlockHeader& h, std::uint64_t at) const {
    if (rules_.PositionCheck && at != h.Self) return false;
    if (h.Size != kBlockDataSize || h.Len > h.Size) return false;
    const bool goesOn = ChainGoesOn(h.Next, h.Self);
    // A partly filled block ends its chain.
    if (h.Len < h.Size && goesOn) return false;
    // A full block is followed directly by the next one, or ends the chain
    // (a message whose length is a multiple of 512).
    if (h.Len == h.Size && goesOn && h.Next != static_cast<std::uint64_t>(h.Self) + kBlockSize) return false;
    return true;
}

TCarvedMessage TChainScanner::CarveChain() {
    const std::uint64_t start = window_.Position();
    TCarvedMessage carved;
    carved.Start = start;
    TCarvedText text(carved, spill_, window_.FileSize());
    std::uint64_t at = start;
    std::uint64_t resume = start;
    for (;;) {
        // Each block moves the chain on by a whole block, and one that lies
        // past the end of the file reads as zeros and is rejected, so no
        // chain outruns the file.
        assert(at <= window_.FileSize() + kBlockSize);
        // Header and data are read apart, so that a window just larger than
        // the data area serves.
        std::uint8_t header[kBlockHeaderSize];
        window_.ReadAt(at, header, sizeof header);
        const TBlockHeader h = DecodeBlockHeader(header);
        // A header the disk could not read says nothing: the block's bytes
        // are what the chain lost there, if it had come this far.
        if (!window_.UnreadableIn(at, kBlockHeaderSize).empty()) {
            if (carved.Blocks > 0) carved.CutAtUnreadable(window_.UnreadableIn(at, kBlockSize));
            resume = at + 8;
            break;
        }
        if (!Accepts(h, at)) {
            // Every block but the first was asked for by the one before.
            carved.Truncated = carved.Blocks > 0;
            resume = at + 8;
            break;
        }
        std::uint8_t data[kBlockDataSize];
        // A block cut by the end of the file gives only the bytes it has.
        const std::size_t dataInFile = window_.ReadAt(at + kBlockHeaderSize, data, sizeof data);
        const std::size_t take = std::min<std::size_t>(h.Len, dataInFile);
        // Data the disk could not read is never taken for the message's: the
        // chain ends before the block, as at a broken one.
        if (!window_.UnreadableIn(at + kBlockHeaderSize, take).empty()) {
            carved.CutAtUnreadable(window_.UnreadableIn(at, kBlockSize));
            resume = at + 8;
            break;
        }
        at += kBlockSize;
        resume = at;
        // A text that cannot be kept is still read to its end, so that its
        // tail is not taken for another message.
        text.Append(data, take);
        ++carved.Blocks;
        AddByteRange(carved.Read, at - kBlockSize, kBlockHeaderSize + take);
        if (take < h.Len) carved.Truncated = true;
        progress_.Reach(at);
        if (h.Len < h.Size || !ChainGoesOn(h.Next, h.Self)) break;
    }
    window_.Skip(resume - start);
    return carved;
}

}  // namespace tervaline::engine
