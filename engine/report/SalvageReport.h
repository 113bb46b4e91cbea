// TSalvageReport: what a scan salvaged, one row per message file written,
// with the head that says what was scanned and how the scan ended. It is
// written into the output folder as report.csv (RFC 4180, UTF-8 with a byte
// order mark, a header row; the rows only) and report.json (the rows, then
// the head). Each row goes to both files as it comes, under their temporary
// names, so that memory stays small however many messages a scan writes;
// the files get their names when the report is finished.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/CarvedMessage.h"
#include "engine/RecordCounts.h"
#include "engine/UnreadableAreas.h"
#include "engine/records/TreeWalk.h"
#include "engine/report/HeaderDecoder.h"
#include "platform/FileSystem.h"

namespace tervaline::platform {
class TCommittedFile;
}

namespace tervaline::engine {

struct TReportRow {
    std::string File;    // relative to the output folder, folders ended by / on every system
    std::string Place;   // "output", "trash" or "deleted"
    std::string Status;  // "complete", "fragment", "truncated" or "deleted"
    std::uint64_t Offset = 0;  // of the chain's first block header
    std::uint32_t Blocks = 0;
    std::vector<TByteRange> Read;
    // Every byte lost to the message: those a deletion overwrote and those
    // the disk could not read; the second kind again apart.
    std::vector<TByteRange> Lost;
    std::vector<TByteRange> LostUnreadable;
    std::uint64_t Size = 0;
    std::string Md5;
    std::string Sha256;
    THeaderFields Header;
    std::string DuplicateOf;  // the first file with the same bytes; empty when none
    // The folder the store holds (its real name, or the store's file name
    // standing for it), how the scan came by the message, and what the
    // store's own record of it says: its flags and times.
    std::string Folder;
    std::string FoundBy;
    std::optional<std::uint32_t> Flags;
    std::optional<std::int64_t> Received;
    std::optional<std::int64_t> Saved;
};

// A message the store still lists but whose chain could not be read, as
// its record tells it: texts decoded to UTF-8.
struct TNotRecoveredRow {
    std::uint64_t Record = 0;  // the record's offset
    std::optional<std::uint32_t> FirstBlock;
    std::string Subject;
    std::string From;
    std::optional<std::uint32_t> Flags;
    std::optional<std::int64_t> Received;
    std::optional<std::int64_t> Saved;
    std::optional<std::uint32_t> Size;
};

struct TReportHead {
    std::string Program;
    std::string Version;
    std::string Store;
    std::uint64_t StoreSize = 0;
    std::string StoreSha256;         // empty when not computed
    std::string StoreSha256Missing;  // why not, then
    // Where the store is an evidence image: its format, segment files,
    // stored digests and case facts. StoreSize is then the size of the disk
    // it holds.
    std::optional<platform::TImageFacts> Image;
    // What the scan did to the store, said for an examiner; empty: not said.
    std::string StoreAccess;
    std::string Mode;
    std::int32_t ReadBuffer = 0;
    std::string Started;  // ISO 8601 in UTC
    std::string Ended;
    // "completed", "stopped" (before the end of the store) or "failed"
    // (the scan, some message, or the mbox file).
    std::string Outcome;
    bool ReachedEnd = false;
    std::string Failure;
    // The areas of the store the disk could not read.
    std::vector<TUnreadableArea> Unreadable;
    std::uint64_t Unwritten = 0;
    std::string UnwrittenReason;
    std::string Mbox;  // the mbox file's path; empty when none was asked for
    std::uint64_t MboxMessages = 0;
    std::uint64_t MboxCopiesLeftOut = 0;  // byte-identical to one already in it
    std::string MboxFailure;
    // The store's own count against the salvage's, the messages it lists
    // that were not recovered, and where its structures broke.
    TRecordCounts Records;
    std::string Folder;
    std::vector<TNotRecoveredRow> NotRecovered;
    std::vector<TRecordBreak> RecordBreaks;
};

// The status word of a carved chain: a deletion or a missing head says
// more about a message than a cut-off end, so they come first.
const char* StatusOf(const TCarvedMessage& carved);

// A text cell of report.csv as a spreadsheet should show it: control bytes
// as \xNN, and a text a spreadsheet would take for a formula (= + - @, or a
// tab or line break first) behind a ' that keeps it text.
std::string CsvCellText(const std::string& text);

class TSalvageReport {
public:
    // Begins both files, under temporary names, in Folder with the
    // permission bits Mode; raises EFileError when either cannot be made,
    // or its name leads to Store, which is never replaced.
    TSalvageReport(const std::string& folder, char delimiter, unsigned mode,
                   std::optional<platform::TFileIdentity> store);
    ~TSalvageReport();
    TSalvageReport(const TSalvageReport&) = delete;
    TSalvageReport& operator=(const TSalvageReport&) = delete;

    // Fills in the row's DuplicateOf and writes it to both files. False,
    // and the row left out, when the disk has no room left for it beside
    // the end of the report; raises EFileError when a write fails, after
    // which the report is lost.
    bool Add(TReportRow row);
    // Writes the head and gives both files their names.
    void Finish(TReportHead head);

    // The header row of report.csv and the line of one row, each ended by
    // CR LF; the object of one row in report.json, on one line.
    static std::string CsvHeader();
    static std::string CsvLine(const TReportRow& row);
    static std::string JsonLine(const TReportRow& row);
    // The line of report.csv for a message not recovered.
    static std::string CsvLine(const TNotRecoveredRow& row, const std::string& folder);

private:
    std::unique_ptr<platform::TCommittedFile> csv_;
    std::unique_ptr<platform::TCommittedFile> json_;
    // The first file of each SHA-256 seen.
    std::unordered_map<std::string, std::string> firstBySha256_;
    std::uint64_t rows_ = 0;
    std::uint64_t byPlace_[3] = {};  // output, trash, deleted
};

}  // namespace tervaline::engine
