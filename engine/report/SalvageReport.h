// TSalvageReport: what a scan salvaged, one row per message file written,
// with the head that says what was scanned and how the scan ended. It is
// written into the output folder as report.csv (RFC 4180, UTF-8, a header
// row; the rows only) and report.json (the head and the same rows).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/CarvedMessage.h"
#include "engine/report/HeaderDecoder.h"

namespace tervaline::engine {

struct TReportRow {
    std::string File;    // relative to the output folder
    std::string Place;   // "output", "trash" or "deleted"
    std::string Status;  // "complete", "fragment", "truncated" or "deleted"
    std::uint64_t Offset = 0;  // of the chain's first block header
    std::uint32_t Blocks = 0;
    std::vector<TByteRange> Read;
    std::vector<TByteRange> Lost;
    std::uint64_t Size = 0;
    std::string Md5;
    std::string Sha256;
    THeaderFields Header;
    std::string DuplicateOf;  // the first file with the same MD5; empty when none
};

struct TReportHead {
    std::string Program;
    std::string Version;
    std::string Store;
    std::uint64_t StoreSize = 0;
    std::string StoreSha256;  // empty when the whole store could not be read
    std::string Mode;
    std::int32_t ReadBuffer = 0;
    std::string Started;  // ISO 8601 in UTC
    std::string Ended;
    // "completed", "stopped" (before the end of the store) or "failed"
    // (the scan, some message, or the mbox file).
    std::string Outcome;
    bool ReachedEnd = false;
    std::string Failure;
    std::uint64_t Unwritten = 0;
    std::string UnwrittenReason;
    std::string Mbox;  // the mbox file's path; empty when none was asked for
    std::uint64_t MboxMessages = 0;
    std::string MboxFailure;
};

// The status word of a carved chain: a deletion or a missing head says
// more about a message than a cut-off end, so they come first.
const char* StatusOf(const TCarvedMessage& carved);

class TSalvageReport {
public:
    static constexpr const char* kCsvName = "report.csv";
    static constexpr const char* kJsonName = "report.json";

    // Fills in the row's DuplicateOf.
    void Add(TReportRow row);
    const std::vector<TReportRow>& Rows() const { return rows_; }
    // Bytes the two files will take at most beyond the head, for a reserve.
    std::uint64_t SizeBound() const { return sizeBound_; }

    std::string Csv() const;
    std::string Json(const TReportHead& head) const;

private:
    std::vector<TReportRow> rows_;
    std::unordered_map<std::string, std::size_t> firstByMd5_;
    std::uint64_t sizeBound_ = 0;
};

}  // namespace tervaline::engine
