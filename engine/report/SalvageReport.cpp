#include "engine/report/SalvageReport.h"

#include <nlohmann/json.hpp>

#include <cassert>
#include <cerrno>
#include <cstdio>

#include "platform/CommittedFile.h"

namespace tervaline::engine {

namespace {

using json = nlohmann::ordered_json;

// Bytes that are not UTF-8 (a path in another code page) are replaced, not
// allowed to stop the report.
constexpr auto kReplace = json::error_handler_t::replace;

constexpr const char* kColumns[] = {"file",   "place", "status", "offset",   "blocks",  "read",
                                    "lost",   "size",  "md5",    "sha256",   "date",    "date_utc",
                                    "from",   "to",    "cc",     "subject",  "message_id", "duplicate_of"};

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

json RangesJson(const std::vector<TByteRange>& ranges) {
    json list = json::array();
    for (const TByteRange& r : ranges) list.push_back({{"offset", r.Offset}, {"length", r.Length}});
    return list;
}

// A field quoted when it holds a comma, a quote or a line break (RFC 4180).
void AppendCsvField(std::string& line, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        line += field;
        return;
    }
    line.push_back('"');
    for (char c : field) {
        if (c == '"') line.push_back('"');
        line.push_back(c);
    }
    line.push_back('"');
}

json TextOrNull(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

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
    cell.reserve(text.size() + 1);
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' || text[0] == '\t' ||
                          text[0] == '\r' || text[0] == '\n')) {
        cell.push_back('\'');
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            cell += escaped;
        } else {
            cell.push_back(c);
        }
    }
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
        platform::RaiseFileError("Cannot write the report into", folder, ENOSPC);
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
    const std::string fields[] = {r.File,
                                  r.Place,
                                  r.Status,
                                  std::to_string(r.Offset),
                                  std::to_string(r.Blocks),
                                  RangesText(r.Read),
                                  RangesText(r.Lost),
                                  std::to_string(r.Size),
                                  r.Md5,
                                  r.Sha256,
                                  r.Header.Date,
                                  r.Header.DateUtc,
                                  r.Header.From,
                                  r.Header.To,
                                  r.Header.Cc,
                                  r.Header.Subject,
                                  r.Header.MessageId,
                                  r.DuplicateOf};
    static_assert(std::size(fields) == std::size(kColumns));
    std::string line;
    bool first = true;
    for (const std::string& f : fields) {
        if (!first) line.push_back(',');
        first = false;
        AppendCsvField(line, CsvCellText(f));
    }
    return line + "\r\n";
}

std::string TSalvageReport::JsonLine(const TReportRow& r) {
    const json row = {
        {"file", r.File},
        {"place", r.Place},
        {"status", r.Status},
        {"offset", r.Offset},
        {"blocks", r.Blocks},
        {"read", RangesJson(r.Read)},
        {"lost", RangesJson(r.Lost)},
        {"size", r.Size},
        {"md5", r.Md5},
        {"sha256", r.Sha256},
        // No date is null in both, whether the field was missing or did
        // not parse.
        {"date", TextOrNull(r.Header.Date)},
        {"date_utc", TextOrNull(r.Header.DateUtc)},
        {"from", r.Header.From},
        {"to", r.Header.To},
        {"cc", r.Header.Cc},
        {"subject", r.Header.Subject},
        {"message_id", r.Header.MessageId},
        {"duplicate_of", TextOrNull(r.DuplicateOf)},
    };
    return row.dump(-1, ' ', false, kReplace);
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
    const json headObject = {
        {"program", head.Program},
        {"version", head.Version},
        {"store",
         {{"path", head.Store},
          {"size", head.StoreSize},
          {"sha256", TextOrNull(head.StoreSha256)},
          {"sha256_missing", TextOrNull(head.StoreSha256Missing)}}},
        {"mode", head.Mode},
        {"read_buffer", head.ReadBuffer},
        {"started", head.Started},
        {"ended", head.Ended},
        {"outcome", head.Outcome},
        {"reached_end", head.ReachedEnd},
        {"failure", TextOrNull(head.Failure)},
        {"counts", counts},
        {"unwritten_reason", TextOrNull(head.UnwrittenReason)},
        {"mbox", mbox},
    };
    // The head comes last: it is known only once every row is written.
    json_->Write("\n],\n\"head\": " + headObject.dump(1, '\t', false, kReplace) + "\n}\n");
    csv_->Commit();
    json_->Commit();
}

}  // namespace tervaline::engine
