#include "engine/report/SalvageReport.h"

#include <nlohmann/json.hpp>

#include <cassert>

namespace tervaline::engine {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kColumns[] = {"file",   "place", "status", "offset",   "blocks",  "read",
                                    "lost",   "size",  "md5",    "sha256",   "date",    "date_utc",
                                    "from",   "to",    "cc",     "subject",  "message_id", "duplicate_of"};

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

}  // namespace

const char* StatusOf(const TCarvedMessage& carved) {
    if (carved.Deleted) return "deleted";
    if (carved.Fragment) return "fragment";
    if (carved.Truncated) return "truncated";
    return "complete";
}

void TSalvageReport::Add(TReportRow row) {
    // The head counts the rows by place.
    assert(row.Place == "output" || row.Place == "trash" || row.Place == "deleted");
    const auto [first, isNew] = firstByMd5_.try_emplace(row.Md5, rows_.size());
    if (!isNew) row.DuplicateOf = rows_[first->second].File;
    // Both files hold every field: CSV's quoting at most doubles one, and
    // JSON's escapes of the control characters a damaged header may hold
    // take at most six bytes for one, but such bytes are rare; its names
    // and indentation take a fixed part, and about 80 bytes a range.
    const std::uint64_t bytes = row.File.size() + row.Md5.size() + row.Sha256.size() + row.DuplicateOf.size() +
                                row.Header.Date.size() + row.Header.DateUtc.size() + row.Header.From.size() +
                                row.Header.To.size() + row.Header.Cc.size() + row.Header.Subject.size() +
                                row.Header.MessageId.size();
    sizeBound_ += 4 * bytes + 100 * (row.Read.size() + row.Lost.size()) + 1024;
    rows_.push_back(std::move(row));
}

std::string TSalvageReport::Csv() const {
    std::string text;
    for (const char* column : kColumns) {
        if (!text.empty()) text.push_back(',');
        text += column;
    }
    text += "\r\n";
    for (const TReportRow& r : rows_) {
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
        bool first = true;
        for (const std::string& f : fields) {
            if (!first) text.push_back(',');
            first = false;
            AppendCsvField(text, f);
        }
        text += "\r\n";
    }
    return text;
}

std::string TSalvageReport::Json(const TReportHead& head) const {
    // Bytes that are not UTF-8 (a path in another code page) are replaced,
    // not allowed to stop the report.
    constexpr auto kReplace = json::error_handler_t::replace;
    json counts = {{"output", 0}, {"trash", 0}, {"deleted", 0}, {"unwritten", head.Unwritten}};
    for (const TReportRow& r : rows_) counts[r.Place] = counts[r.Place].get<std::uint64_t>() + 1;
    json mbox = nullptr;
    if (!head.Mbox.empty()) {
        mbox = {{"path", head.Mbox}, {"messages", head.MboxMessages}, {"failure", TextOrNull(head.MboxFailure)}};
    }
    const json headObject = {
        {"program", head.Program},
        {"version", head.Version},
        {"store", {{"path", head.Store}, {"size", head.StoreSize}, {"sha256", TextOrNull(head.StoreSha256)}}},
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
    // The rows one to a line, each made and written on its own, so that a
    // report of many thousand messages never stands in memory as a tree.
    std::string text = "{\n\"head\": " + headObject.dump(1, '\t', false, kReplace) + ",\n\"messages\": [";
    bool first = true;
    for (const TReportRow& r : rows_) {
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
            {"date", r.Header.Date},
            {"date_utc", TextOrNull(r.Header.DateUtc)},
            {"from", r.Header.From},
            {"to", r.Header.To},
            {"cc", r.Header.Cc},
            {"subject", r.Header.Subject},
            {"message_id", r.Header.MessageId},
            {"duplicate_of", TextOrNull(r.DuplicateOf)},
        };
        text += first ? "\n" : ",\n";
        first = false;
        text += row.dump(-1, ' ', false, kReplace);
    }
    text += "\n]\n}\n";
    return text;
}

}  // namespace tervaline::engine
