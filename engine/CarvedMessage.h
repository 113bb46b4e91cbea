// TCarvedMessage: one chain as the carver reassembled it, on its way from
// the search to the output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FoundBy.h"
#include "engine/records/MessageRecord.h"
#include "platform/NewFile.h"

namespace tervaline::engine {

// A run of bytes of the store.
struct TByteRange {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    bool operator==(const TByteRange&) const = default;
};

// Adds Length bytes at Offset to Ranges, joining them to the last run when
// they follow it directly, so that a contiguous chain reads as one run.
inline void AddByteRange(std::vector<TByteRange>& ranges, std::uint64_t offset, std::uint64_t length) {
    if (length == 0) return;
    if (!ranges.empty() && ranges.back().Offset + ranges.back().Length == offset) {
        ranges.back().Length += length;
    } else {
        ranges.push_back({offset, length});
    }
}

struct TCarvedMessage {
    std::uint64_t Start = 0;  // file offset of the chain's first block header
    // The text, unless it was too long to hold in memory; Spilled then holds
    // it, in a new file of the output folder, and Text is empty.
    std::string Text;
    std::unique_ptr<platform::TNewFile> Spilled;
    // Why the text could not be kept, when it could not; it is then empty.
    std::string Unwritten;
    // Read from the blocks of a deleted message.
    bool Deleted = false;
    // Does not begin like a message: the tail of one whose first blocks
    // are gone, or not a message at all. Only Deep mode tells.
    bool Fragment = false;
    // How the scan came by it, and what the store's own record of it says
    // when one was found whose first block is this chain's.
    TFoundBy FoundBy = TFoundBy::ChainOnly;
    std::optional<TMessageRecord> Record;

    // What the salvage report documents of the chain: how many blocks it
    // took, the bytes of the store read for it (each block's header and the
    // data taken from it), the bytes lost to it (those a deletion overwrote,
    // and those of the block it was cut at that the disk could not read),
    // the unreadable ones among them apart, and whether its last block still
    // pointed on (the chain ended at the end of the file, at a broken block
    // or at one the disk could not read).
    std::uint32_t Blocks = 0;
    std::vector<TByteRange> Read;
    std::vector<TByteRange> Lost;
    std::vector<TByteRange> Unreadable;
    bool Truncated = false;

    // Cuts the chain at a block the disk could not read all of. Parts are
    // the unreadable bytes of the whole block: its header may be among
    // them, and with it how much of its data was the message's.
    void CutAtUnreadable(const std::vector<TByteRange>& parts) {
        for (const TByteRange& part : parts) {
            AddByteRange(Lost, part.Offset, part.Length);
            AddByteRange(Unreadable, part.Offset, part.Length);
        }
        Truncated = true;
    }

    std::uint64_t Size() const { return Spilled ? Spilled->Size() : Text.size(); }
    // The start of the text, where its header section stands: the text
    // itself, or up to kHeaderSectionBytes of a spilled one read back into
    // Buffer from its own open file. A header section longer than that is
    // none: the rest of a long message is not needed to find its fields.
    static constexpr std::size_t kHeaderSectionBytes = 256u << 10;
    std::string_view HeaderStart(std::string& buffer) const {
        if (!Spilled) return Text;
        buffer.resize(kHeaderSectionBytes);
        buffer.resize(Spilled->ReadAt(0, buffer.data(), buffer.size()));
        return buffer;
    }
    // A chain with neither text nor a reason (an empty first block) has
    // nothing to write and nothing to report.
    bool Empty() const { return Size() == 0 && Unwritten.empty(); }
};

}  // namespace tervaline::engine
