// TMessageRecord: what the store's own record of a message still says of
// it (its state, its times, where its text begins), read from an item
// record and carried beside the message's chain to the report and the mbox.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tervaline::engine {

class TItemRecord;

// Where a record was read from: reached through the store's tree, or found
// by its own offset mark where the tree no longer leads.
enum class TRecordOrigin : std::uint8_t { Tree, Mark };

// The message flags a mail program shows; the other bits stay in the number.
inline constexpr std::uint32_t kFlagDownloaded = 0x01;
inline constexpr std::uint32_t kFlagDraft = 0x08;
inline constexpr std::uint32_t kFlagMarked = 0x20;
inline constexpr std::uint32_t kFlagRead = 0x80;
inline constexpr std::uint32_t kFlagAttachment = 0x4000;
inline constexpr std::uint32_t kFlagAnswered = 0x80000;
inline constexpr std::uint32_t kFlagForwarded = 0x100000;

struct TMessageRecord {
    std::uint64_t Offset = 0;  // the record's own, in the store
    TRecordOrigin Origin = TRecordOrigin::Tree;
    std::optional<std::uint32_t> Number;  // the message's number in its folder
    std::uint32_t Flags = 0;
    // Seconds since 1970 UTC.
    std::optional<std::int64_t> Created;
    std::optional<std::int64_t> Saved;
    std::optional<std::int64_t> Received;
    // The offset of the message's first block header: where its chain starts.
    std::optional<std::uint32_t> FirstBlock;
    // Raw bytes in the code page of the system that wrote the store; the
    // report decodes them by the scan's code page.
    std::string Subject;
    std::string SenderName;
    std::string SenderAddress;
    std::string MessageId;
    std::optional<std::uint32_t> Size;  // of the message, as the store counts it
};

// The message facts an item record holds; fields it lacks stay empty.
TMessageRecord ReadMessageRecord(const TItemRecord& item, TRecordOrigin origin);

// "read answered attachment": the words of the flags set, in a fixed order;
// empty when none of them is.
std::string FlagWords(std::uint32_t flags);

// The date a message without a Date field is dated by: received, else saved.
inline std::optional<std::int64_t> RecordDate(const TMessageRecord& record) {
    return record.Received ? record.Received : record.Saved;
}

}  // namespace tervaline::engine
