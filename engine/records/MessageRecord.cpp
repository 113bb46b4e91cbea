#include "engine/records/MessageRecord.h"

#include "engine/records/ItemRecord.h"

namespace tervaline::engine {

namespace {

// The message fields of an item record, by id.
enum : std::uint8_t {
    kNumber = 0x00,
    kFlags = 0x01,
    kCreated = 0x02,
    kFirstBlock = 0x04,
    kSaved = 0x06,
    kMessageId = 0x07,
    kSubject = 0x08,
    kSenderName = 0x0D,
    kSenderAddress = 0x0E,
    kSize = 0x11,
    kReceived = 0x12,
};

}  // namespace

TMessageRecord ReadMessageRecord(const TItemRecord& item, TRecordOrigin origin) {
    TMessageRecord r;
    r.Offset = item.Offset();
    r.Origin = origin;
    r.Number = item.Number(kNumber);
    r.Flags = item.Number(kFlags).value_or(0);
    r.Created = item.Time(kCreated);
    r.Saved = item.Time(kSaved);
    r.Received = item.Time(kReceived);
    r.FirstBlock = item.Number(kFirstBlock);
    r.Subject = item.Text(kSubject).value_or("");
    r.SenderName = item.Text(kSenderName).value_or("");
    r.SenderAddress = item.Text(kSenderAddress).value_or("");
    r.MessageId = item.Text(kMessageId).value_or("");
    r.Size = item.Number(kSize);
    return r;
}

std::string FlagWords(std::uint32_t flags) {
    static constexpr struct {
        std::uint32_t Bit;
        const char* Word;
    } kWords[] = {{kFlagRead, "read"},         {kFlagAnswered, "answered"},     {kFlagForwarded, "forwarded"},
                  {kFlagMarked, "marked"},     {kFlagAttachment, "attachment"}, {kFlagDraft, "draft"}};
    std::string words;
    for (const auto& w : kWords) {
        if ((flags & w.Bit) == 0) continue;
        if (!words.empty()) words.push_back(' ');
        words += w.Word;
    }
    return words;
}

}  // namespace tervaline::engine
