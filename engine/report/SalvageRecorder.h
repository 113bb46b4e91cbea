// TSalvageRecorder: what a scan does with each message file beyond writing
// it, and with all of them at its end. It dates each file by its Date
// field, gathers the report's rows and the mbox file on the writer thread,
// and writes the report when the scan ends, however it ends. Room for the
// report is held on the output's disk while the scan runs, so that a disk
// that fills up still takes the report that says so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/CarvedMessage.h"
#include "engine/FoundMessage.h"
#include "engine/SalvageRecording.h"
#include "engine/ScanSettings.h"
#include "engine/report/HeaderDecoder.h"
#include "engine/report/SalvageReport.h"

namespace tervaline::platform {
class TSpaceReserve;
}

namespace tervaline::engine {

class TMboxWriter;

class TSalvageRecorder final : public TSalvageRecording {
public:
    using TSetup = TSalvageRecording::TSetup;

    // Notes the time the scan starts. Charset: the iconv name of Setup's
    // code page, in which raw 8-bit header bytes are read.
    TSalvageRecorder(TSetup setup, const std::string& charset);
    ~TSalvageRecorder() override;
    TSalvageRecorder(const TSalvageRecorder&) = delete;
    TSalvageRecorder& operator=(const TSalvageRecorder&) = delete;

    // After the file of Carved has been written as Found, on the writer
    // thread. Throws nothing: what fails is said in the report.
    void Record(const TCarvedMessage& carved, const TFoundMessage& found) noexcept override;

    // Once the writing has ended: commits the mbox file and writes the
    // report of Outcome. Returns why either could not be written; empty
    // when both were (or none was asked for).
    std::string Finish(const TScanOutcome& outcome, const std::string& storeSha256) noexcept override;

    // The report's head for Outcome, as Finish writes it.
    TReportHead Head(const TScanOutcome& outcome, const std::string& storeSha256) const;

private:
    void NoteMboxFailure(const std::string& reason) noexcept;
    void HoldRoom() noexcept;

    TSetup setup_;
    std::int64_t started_ = 0;
    THeaderDecoder decoder_;
    TSalvageReport report_;
    std::unique_ptr<TMboxWriter> mbox_;
    std::uint64_t mboxMessages_ = 0;
    std::string mboxFailure_;
    std::unique_ptr<platform::TSpaceReserve> reserve_;
    // Messages written without a row, and why the first got none.
    std::uint64_t rowsMissing_ = 0;
    std::string recordFailure_;
};

}  // namespace tervaline::engine
