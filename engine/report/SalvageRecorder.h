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
    struct TSetup {
        std::string OutputDir;  // without a trailing separator
        char Delimiter = '/';
        bool Report = false;
        std::string Mbox;  // empty: none
        std::string Charset;  // of raw 8-bit header bytes, an iconv name
        std::string Store;
        std::uint64_t StoreSize = 0;
        TScanMode Mode = TScanMode::Shallow;
        std::int32_t ReadBuffer = 0;
    };

    // Notes the time the scan starts.
    explicit TSalvageRecorder(TSetup setup);
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
