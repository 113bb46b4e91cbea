#include "engine/report/SalvageReport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cassert>
#include <string_view>

#include "engine/FoundBy.h"
#include "engine/records/MessageRecord.h"
#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

using json = nlohmann::ordered_json;

// Bytes that are not UTF-8 (a path in another code page) are replaced, not
// allowed to stop the report.
constexpr auto kReplace = json::error_handler_t::replace;

// Columns added later go last, so that a reader that counts them still
// finds the earlier ones where they were.
constexpr const char* kColumns[] = {"file",   "place", "status", "offset",   "blocks",     "read",
                                    "lost",   "size",  "md5",    "sha256",   "date",       "date_utc",
                                    "from",   "to",    "cc",     "subject",  "message_id", "duplicate_of",
                                    "lost_unreadable", "folder", "found_by", "flags",  "received",   "saved"};

constexpr const char* kPlaces[] = {"output", "trash", "deleted"};

// Room kept on the disk beyond the rows written, for report.json's head:
// enough that a disk filled by the messages still takes the end of the
// report, and little, since the messages come first.
constexpr std::uint64_t kTailRoom = 8u << 10;

// "offset+length" runs, blank-separated, in decimal.
std::string RangesText(const std::vector<TByteRange>& ranges) {
    std::string text;
    for (const TByteRange& r : ranges) {
        if (!text.empty()) text.push_back(' ');
        text += std::to_string(r.Offset) + "+" + std::to_string(r.Length);
    }
    return text;
}

// Appends Text as a spreadsheet should show it (CsvCellText), with each
// quote doubled where the cell is Quoted.
void AppendCellText(std::string& out, std::string_view text, bool quoted) {
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' || text[0] == '\t' ||
                          text[0] == '\r' || text[0] == '\n')) {
        out.push_back('\'');
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            out += "\\x";
            out.push_back(kDigits[byte >> 4]);
            out.push_back(kDigits[byte & 0xF]);
        } else {
            if (quoted && c == '"') out.push_back('"');
            out.push_back(c);
        }
    }
}

// Appends Text as a cell of report.csv, quoted when it holds a comma or a
// quote (RFC 4180; line breaks are escaped by then).
void AppendCsvCell(std::string& line, std::string_view text) {
    const bool quoted = text.find_first_of(",\"") != std::string_view::npos;
    if (quoted) line.push_back('"');
    AppendCellText(line, text, quoted);
    if (quoted) line.push_back('"');
}

json TextOrNull(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

// "524416 read answered": the number, then the words of the flags it holds.
std::string FlagsText(const std::optional<std::uint32_t>& flags) {
    if (!flags) return "";
    const std::string words = FlagWords(*flags);
    return std::to_string(*flags) + (words.empty() ? "" : " " + words);
}

std::string TimeText(const std::optional<std::int64_t>& seconds) {
    return seconds ? THeaderDecoder::IsoUtc(*seconds) : std::string();
}

json FlagsJson(const std::optional<std::uint32_t>& flags) {
    if (!flags) return nullptr;
    json words = json::array();
    const std::string text = FlagWords(*flags);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return {{"number", *flags}, {"words", words}};
}

json TimeJson(const std::optional<std::int64_t>& seconds) {
    return seconds ? json(THeaderDecoder::IsoUtc(*seconds)) : json(nullptr);
}

std::size_t PlaceIndex(const std::string& place) {
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) {
        if (place == kPlaces[i]) return i;
    }
    // The head counts the rows by place.
    assert(false && "a row's place is output, trash or deleted");
    return 1;
}

}  // namespace

const char* StatusOf(const TCarvedMessage& carved) {
    if (carved.Deleted) return "deleted";
    if (carved.Fragment) return "fragment";
    if (carved.Truncated) return "truncated";
    return "complete";
}

std::string CsvCellText(const std::string& text) {
    std::string cell;
    AppendCellText(cell, text, false);
    return cell;
}

TSalvageReport::TSalvageReport(const std::string& folder, char delimiter, unsigned mode,
                               std::optional<platform::TFileIdentity> store) {
    const std::string prefix = folder + delimiter;
    csv_ = std::make_unique<platform::TCommittedFile>(prefix + "report.csv", mode, store);
    json_ = std::make_unique<platform::TCommittedFile>(prefix + "report.json", mode, store);
    // The mark tells a spreadsheet on Windows that the file is UTF-8.
    csv_->Write("\xEF\xBB\xBF" + CsvHeader());
    json_->Write("{\n\"messages\": [");
    if (!csv_->KeepRoomFor(kTailRoom) || !json_->KeepRoomFor(kTailRoom)) {
        platform::RaiseFileError("Cannot write the report into", folder, platform::DiskFullError());
    }
}

TSalvageReport::~TSalvageReport() = default;

std::string TSalvageReport::CsvHeader() {
    std::string text;
    for (const char* column : kColumns) {
        if (!text.empty()) text.push_back(',');
        text += column;
    }
    return text + "\r\n";
}

std::string TSalvageReport::CsvLine(const TReportRow& r) {
    std::string line;
    line.reserve(512);
    std::size_t cells = 0;
    const auto cell = [&](std::string_view text) {
        if (cells++ > 0) line.push_back(',');
        AppendCsvCell(line, text);
    };
    cell(r.File);
    cell(r.Place);
    cell(r.Status);
    cell(std::to_string(r.Offset));
    cell(std::to_string(r.Blocks));
    cell(RangesText(r.Read));
    cell(RangesText(r.Lost));
    cell(std::to_string(r.Size));
    cell(r.Md5);
    cell(r.Sha256);
    cell(r.Header.Date);
    cell(r.Header.DateUtc);
    cell(r.Header.From);
    cell(r.Header.To);
    cell(r.Header.Cc);
    cell(r.Header.Subject);
    cell(r.Header.MessageId);
    cell(r.DuplicateOf);
    cell(RangesText(r.LostUnreadable));
    cell(r.Folder);
    cell(r.FoundBy);
    cell(FlagsText(r.Flags));
    cell(TimeText(r.Received));
    cell(TimeText(r.Saved));
    // One cell for each column.
    assert(cells == std::size(kColumns));
    return line + "\r\n";
}

std::string TSalvageReport::JsonLine(const TReportRow& r) {
    // Written field by field rather than built as the library's object,
    // which costs a report as much as the digests of its messages; the
    // library still writes every text, escaped.
    std::string line;
    line.reserve(512);
    const auto key = [&line](const char* name) {
        line += line.empty() ? "{\"" : ",\"";
        line += name;
        line += "\":";
    };
    const auto text = [&](const char* name, const std::string& value) {
        key(name);
        line += json(value).dump(-1, ' ', false, kReplace);
    };
    const auto textOrNull = [&](const char* name, const std::string& value) {
        if (value.empty()) {
            key(name);
            line += "null";
        } else {
            text(name, value);
        }
    };
    const auto number = [&](const char* name, std::uint64_t value) {
        key(name);
        line += std::to_string(value);
    };
    const auto ranges = [&](const char* name, const std::vector<TByteRange>& list) {
        key(name);
        line += '[';
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i > 0) line += ',';
            line += "{\"offset\":" + std::to_string(list[i].Offset) + ",\"length\":" + std::to_string(list[i].Length) + "}";
        }
        line += ']';
    };
    text("file", r.File);
    text("place", r.Place);
    text("status", r.Status);
    number("offset", r.Offset);
    number("blocks", r.Blocks);
    ranges("read", r.Read);
    ranges("lost", r.Lost);
    ranges("lost_unreadable", r.LostUnreadable);
    number("size", r.Size);
    text("md5", r.Md5);
    text("sha256", r.Sha256);
    // No date is null in both, whether the field was missing or did not
    // parse.
    textOrNull("date", r.Header.Date);
    textOrNull("date_utc", r.Header.DateUtc);
    text("from", r.Header.From);
    text("to", r.Header.To);
    text("cc", r.Header.Cc);
    text("subject", r.Header.Subject);
    text("message_id", r.Header.MessageId);
    textOrNull("duplicate_of", r.DuplicateOf);
    text("folder", r.Folder);
    text("found_by", r.FoundBy);
    key("flags");
    line += FlagsJson(r.Flags).dump();
    key("received");
    line += TimeJson(r.Received).dump();
    key("saved");
    line += TimeJson(r.Saved).dump();
    line += '}';
    return line;
}

std::string TSalvageReport::CsvLine(const TNotRecoveredRow& r, const std::string& folder) {
    std::string line;
    std::size_t cells = 0;
    const auto cell = [&](std::string_view text) {
        if (cells++ > 0) line.push_back(',');
        AppendCsvCell(line, text);
    };
    // No file, and no place: only the record is left of the message.
    cell("");
    cell("");
    cell("not recovered");
    cell(r.FirstBlock ? std::to_string(*r.FirstBlock) : "");
    for (int i = 0; i < 3; ++i) cell("");  // blocks, read, lost
    cell(r.Size ? std::to_string(*r.Size) : "");
    for (int i = 0; i < 4; ++i) cell("");  // md5, sha256, date, date_utc
    cell(r.From);
    cell("");
    cell("");
    cell(r.Subject);
    for (int i = 0; i < 3; ++i) cell("");  // message_id, duplicate_of, lost_unreadable
    cell(folder);
    cell(kListedNotRecovered);
    cell(FlagsText(r.Flags));
    cell(TimeText(r.Received));
    cell(TimeText(r.Saved));
    assert(cells == std::size(kColumns));
    return line + "\r\n";
}

bool TSalvageReport::Add(TReportRow row) {
    const auto [first, isNew] = firstBySha256_.try_emplace(row.Sha256, row.File);
    if (!isNew) row.DuplicateOf = first->second;
    const std::string csvLine = CsvLine(row);
    const std::string jsonLine = (rows_ == 0 ? "\n" : ",\n") + JsonLine(row);
    // A row goes in only with room for it and the end of the report held,
    // so that a full disk costs the report rows, never the whole report.
    if (!csv_->KeepRoomFor(csvLine.size() + kTailRoom) || !json_->KeepRoomFor(jsonLine.size() + kTailRoom)) {
        return false;
    }
    csv_->Write(csvLine);
    json_->Write(jsonLine);
    ++rows_;
    ++byPlace_[PlaceIndex(row.Place)];
    return true;
}

void TSalvageReport::Finish(TReportHead head) {
    json counts = {{"output", byPlace_[0]}, {"trash", byPlace_[1]}, {"deleted", byPlace_[2]},
                   {"unwritten", head.Unwritten}};
    json mbox = nullptr;
    if (!head.Mbox.empty()) {
        mbox = {{"path", head.Mbox},
                {"messages", head.MboxMessages},
                {"copies_left_out", head.MboxCopiesLeftOut},
                {"failure", TextOrNull(head.MboxFailure)}};
    }
    json unreadable = json::array();
    for (const TUnreadableArea& area : head.Unreadable) {
        unreadable.push_back({{"offset", area.Offset}, {"length", area.Length}, {"reason", area.Reason}});
    }
    json image = nullptr;
    if (head.Image) {
        json digests = json::object();
        for (const auto& [name, value] : head.Image->StoredDigests) digests[name] = value;
        json facts = json::object();
        for (const auto& [name, value] : head.Image->Case) facts[name] = value;
        image = {{"format", head.Image->Format},
                 {"segments", head.Image->Segments},
                 {"stored_digests", digests},
                 {"case", facts}};
    }
    json records = nullptr;
    if (head.Records.Read) {
        json notRecovered = json::array();
        for (const TNotRecoveredRow& r : head.NotRecovered) {
            notRecovered.push_back({{"record", r.Record},
                                    {"first_block", r.FirstBlock ? json(*r.FirstBlock) : json(nullptr)},
                                    {"subject", r.Subject},
                                    {"from", r.From},
                                    {"flags", FlagsJson(r.Flags)},
                                    {"received", TimeJson(r.Received)},
                                    {"saved", TimeJson(r.Saved)},
                                    {"size", r.Size ? json(*r.Size) : json(nullptr)}});
            // The spreadsheet lists them too, after the messages found.
            csv_->Write(CsvLine(r, head.Folder));
        }
        json breaks = json::array();
        for (const TRecordBreak& b : head.RecordBreaks) breaks.push_back({{"offset", b.Offset}, {"what", b.What}});
        const TRecordCounts& c = head.Records;
        records = {{"summary", CompletenessLine(c)},
                   {"listed", c.Listed},
                   {"recovered", c.Recovered},
                   {"found_unlisted", c.Unlisted},
                   {"found_deleted", c.UnlistedDeleted},
                   {"header_count", c.HeaderCount ? json(*c.HeaderCount) : json(nullptr)},
                   {"not_recovered", notRecovered},
                   {"breaks", breaks}};
    }
    const json headObject = {
        {"program", head.Program},
        {"version", head.Version},
        {"store",
         {{"path", head.Store},
          {"size", head.StoreSize},
          {"sha256", TextOrNull(head.StoreSha256)},
          {"sha256_missing", TextOrNull(head.StoreSha256Missing)},
          {"image", image},
          {"access", TextOrNull(head.StoreAccess)}}},
        {"mode", head.Mode},
        {"read_buffer", head.ReadBuffer},
        {"started", head.Started},
        {"ended", head.Ended},
        {"outcome", head.Outcome},
        {"reached_end", head.ReachedEnd},
        {"failure", TextOrNull(head.Failure)},
        {"unreadable", unreadable},
        {"counts", counts},
        {"unwritten_reason", TextOrNull(head.UnwrittenReason)},
        {"mbox", mbox},
        {"folder", head.Folder},
        {"records", records},
    };
    // The head comes last: it is known only once every row is written.
    json_->Write("\n],\n\"head\": " + headObject.dump(1, '\t', false, kReplace) + "\n}\n");
    csv_->Commit();
    json_->Commit();
}

}  // namespace tervaline::engine
