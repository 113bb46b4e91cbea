// TSalvageRecorder: what a scan does with each message file beyond writing
// it, and with all of them at its end. It takes each written message over
// from the writer, with the bytes the writer had in hand (never reading a
// file again by its name), and on a thread of its own hashes it, decodes its
// header fields, writes its report row and adds it to the mbox file; at the
// scan's end, however it ends, it finishes the report. The report's and
// the mbox's files are begun before the first message is written, so that
// a name they cannot have, or a disk without room for one more file, stops
// the scan before it starts.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

#include "engine/CarvedMessage.h"
#include "engine/FoundMessage.h"
#include "engine/OrderedWorker.h"
#include "engine/SalvageRecording.h"
#include "engine/ScanSettings.h"
#include "engine/report/Digests.h"
#include "engine/report/HeaderDecoder.h"
#include "engine/report/SalvageReport.h"

namespace tervaline::engine {

class TMboxWriter;
class TDfxmlReport;
class TBodyFile;

class TSalvageRecorder final : public TSalvageRecording {
public:
    using TSetup = TSalvageRecording::TSetup;

    // Notes the time the scan starts and begins the files Setup asks for.
    // Charset: the charset name of Setup's code page, in which raw 8-bit
    // header bytes are read. Raises EFileError when a file cannot be begun
    // or would replace the store or what the scan writes.
    TSalvageRecorder(TSetup setup, const std::string& charset);
    ~TSalvageRecorder() override;
    TSalvageRecorder(const TSalvageRecorder&) = delete;
    TSalvageRecorder& operator=(const TSalvageRecorder&) = delete;

    std::optional<std::int64_t> DateOf(std::string_view messageStart) const override;
    void Record(TCarvedMessage& carved, const TFoundMessage& found) noexcept override;
    std::string Finish(const TScanOutcome& outcome, const TStoreDigestResult& store) noexcept override;
    std::uint64_t LeftoversRemoved() const override { return leftoversRemoved_; }

    // The report's head for Outcome, as Finish writes it.
    TReportHead Head(const TScanOutcome& outcome, const TStoreDigestResult& store) const;

private:
    struct TItem {
        TCarvedMessage Carved;
        TFoundMessage Found;
    };

    void BeginMbox();
    void BeginExaminersFiles();
    // Makes Path's folder and removes what an earlier scan left of a file
    // there; raises EFileError where a file there would take the name of
    // one the scan writes. What: the file's name for the user.
    void PrepareOwnFile(const std::string& path, const std::string& what);
    void AddToExaminersFiles(const TItem& item, const std::string& file, const THeaderFields& fields,
                             const TMessageDigests& digests);
    void Handle(TItem& item) noexcept;
    void AddToMbox(const TItem& item, const std::string& sha256, const std::string& from,
                   const std::optional<std::int64_t>& date);
    void NoteMboxFailure(const std::string& reason) noexcept;
    void NoteReportFailure(const std::string& reason) noexcept;
    void NoteDfxmlFailure(const std::string& reason) noexcept;
    void NoteBodyFileFailure(const std::string& reason) noexcept;

    TSetup setup_;
    std::int64_t started_ = 0;
    THeaderDecoder decoder_;
    std::unique_ptr<TSalvageReport> report_;  // none once it failed
    std::string reportFailure_;
    // Messages recorded without a row, and why the first got none; and
    // those that could not even be queued, counted on the writer's thread.
    std::uint64_t rowsMissing_ = 0;
    std::string rowFailure_;
    std::atomic<std::uint64_t> unqueued_{0};
    std::unique_ptr<TMboxWriter> mbox_;  // none once it failed
    std::string mboxFailure_;
    std::uint64_t mboxMessages_ = 0;
    std::uint64_t mboxCopiesLeftOut_ = 0;
    std::unordered_set<std::string> inMbox_;  // SHA-256 of each message in it
    // The examiner's files, each none once it failed: one that lacks a
    // message would say less than none.
    std::unique_ptr<TDfxmlReport> dfxml_;
    std::string dfxmlFailure_;
    std::unique_ptr<TBodyFile> bodyFile_;
    std::string bodyFileFailure_;
    std::uint64_t leftoversRemoved_ = 0;
    // Last, so that it ends, and stops touching the members above, first.
    std::unique_ptr<TOrderedWorker<TItem>> worker_;
};

}  // namespace tervaline::engine
