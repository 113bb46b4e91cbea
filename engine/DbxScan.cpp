// Set-up and the thread body of a scan.
#include "engine/DbxScan.h"

#include <new>
#include <optional>
#include <stdexcept>

#include "engine/ChainSource.h"
#include "engine/FileWindow.h"
#include "engine/MessageFileName.h"
#include "engine/MessageOutput.h"
#include "engine/MessageWriter.h"
#include "engine/ProgressMeter.h"
#include "engine/report/HeaderDecoder.h"
#include "engine/report/SalvageRecorder.h"
#include "engine/report/StoreDigest.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

using platform::TPathSyntax;

namespace {

// Message text carved but not yet written; a few hundred typical messages,
// enough to even out the writer's pace against the search's.
constexpr std::size_t kMaxQueuedMessageBytes = 4u << 20;

}  // namespace

TDBXScanThread::TDBXScanThread(platform::TDispatcher& dispatcher, TPathSyntax syntax)
    : TThread(dispatcher), syntax_(syntax) {}

TDBXScanThread::~TDBXScanThread() {
    // The body uses this object's members, which go before the base's
    // destructor could stop it: a scan destroyed while running ends first.
    RequestStop();
    WaitFor();
}

void TDBXScanThread::RequestStop() {
    stop_.Request();
    TThread::RequestStop();
}

void TDBXScanThread::SetOutputDir(const std::string& value) {
    std::string dir = value;
    if (!platform::HasDrivePart(syntax_, dir)) {
        dir = platform::ExtractFilePath(syntax_, SourceFile) + dir;
    }
    if (!dir.empty() && dir.back() == platform::PathDelimiter(syntax_)) dir.pop_back();
    outputDir_ = dir;
}

void TDBXScanThread::SetTrashDir(const std::string& value) {
    std::string dir = value.empty() ? std::string("trash") : value;
    if (dir.back() == platform::PathDelimiter(syntax_)) dir.pop_back();
    trashDir_ = dir;
}

void ApplyScanSettings(TDBXScanThread& scan, const TScanSettings& settings) {
    // The output folder is resolved against the store's, so the store comes
    // first.
    scan.SourceFile = settings.Source;
    scan.SetOutputDir(settings.Output);
    scan.SetTrashDir(settings.Trash);
    scan.SetScanMode(settings.Mode);
    scan.BufferSize = settings.BufferSize;
    scan.ProgressSteps = settings.ProgressSteps;
    scan.Report = settings.Report;
    scan.Mbox = settings.Mbox;
    scan.CodePage = settings.CodePage;
}

TScanOutcome TDBXScanThread::Outcome() const {
    TScanOutcome outcome;
    outcome.FailureText = failureText_;
    outcome.ReachedEnd = reachedEnd_;
    outcome.ReportFailure = reportFailure_;
    if (output_) {
        outcome.Found = output_->Written();
        outcome.Unwritten = output_->Unwritten();
        outcome.FirstUnwrittenReason = output_->FirstUnwrittenReason();
    }
    return outcome;
}

TScanOutcome TDBXScanThread::OutcomeOf(const platform::TThread& sender) {
    return static_cast<const TDBXScanThread&>(sender).Outcome();
}

const TFoundMessage& TDBXScanThread::LastFound() const { return output_->LastFound(); }

std::string TDBXScanThread::MessageFileName(std::uint64_t offset) { return engine::MessageFileName(offset, 0); }

bool TDBXScanThread::IsMail(const std::string& text) { return output_->MailTest(text); }

void TDBXScanThread::Execute() { ScanFile(); }

void TDBXScanThread::ScanFile() {
    // Every path out closes the store and lets the window go; whatever ended
    // the scan is kept in words for the caller instead of being lost.
    const TScanStop::TSearchThread searching(stop_);
    // Made once the store is open; it outlives the writing, so that the
    // report is written whatever ended the scan.
    std::unique_ptr<TSalvageRecorder> recorder;
    std::string storeSha256;
    try {
        const TScanRules rules = ScanRulesFor(scanMode_);
        platform::TUnsharedReadFile file(SourceFile);
        const std::uint64_t size = file.Size();
        if (rules.Below4GiBOnly && size > kMaxShallowStoreSize) {
            throw platform::EFileError("\"" + SourceFile +
                                       "\" is too large for Shallow mode, which reads stores below 4 GiB "
                                       "(4,294,966,239 bytes at most); Bottom mode reads stores and disk images "
                                       "of any size");
        }
        if (BufferSize <= 0) throw std::invalid_argument("The read buffer size must be positive");
        TFileWindow window(file, size, static_cast<std::uint32_t>(BufferSize));
        if (ProgressSteps == 0) throw std::invalid_argument("The number of progress steps is 0");
        TProgressMeter progress(size, ProgressSteps, [this](std::uint64_t position) {
            if (OnProgress) OnProgress(*this, position);
        });
        const std::unique_ptr<TChainSource> chains = MakeChainSource(window, rules, progress, stop_);
        chains->CheckFileHeader();

        const std::string charset = CodePageCharset(CodePage);
        if (charset.empty()) throw std::invalid_argument("The code page \"" + CodePage + "\" is not known here");
        recorder = std::make_unique<TSalvageRecorder>(TSalvageRecorder::TSetup{
            outputDir_, platform::PathDelimiter(syntax_), Report, Mbox, charset, SourceFile, size, scanMode_,
            BufferSize});
        std::optional<TStoreDigest> storeDigest;
        if (Report) storeDigest.emplace(file, size, stop_);

        output_ = std::make_unique<TMessageOutput>(
            TMessageOutput::TPlaces{outputDir_, trashDir_, syntax_, size},
            [this](const std::string& text) { return IsMail(text); },
            [this](const TFoundMessage& found) {
                if (OnFound) OnFound(*this, found.Address);
            },
            Parent);
        output_->AfterWrite = [&recorder](const TCarvedMessage& carved, const TFoundMessage& found) {
            recorder->Record(carved, found);
        };
        // Declared after the window and the store, so that on every path out
        // what was carved is written, and its OnFound delivered, before
        // either goes and OnDone can follow.
        TMessageWriter writer(
            [this](TCarvedMessage& carved) {
                output_->Take(carved);
                return !stop_.WritingStopped();
            },
            kMaxQueuedMessageBytes);
        bool found = false;
        do {
            found = chains->NextChain();
            if (found) {
                TCarvedMessage carved = chains->CarveChain();
                if (!carved.Empty()) writer.Submit(std::move(carved));
            }
        } while (!stop_.SearchStopped() && found);
        writer.Finish();
        reachedEnd_ = chains->ReachedEnd() && writer.Dropped() == 0;
        if (storeDigest) storeSha256 = storeDigest->Result();
    } catch (const std::bad_alloc&) {
        failureText_ = "Not enough memory for the read buffer or a message";
    } catch (const std::exception& e) {
        failureText_ = e.what();
    } catch (...) {
        failureText_ = "The scan ended on an unknown error";
    }
    if (output_) output_->AfterWrite = nullptr;
    if (recorder) reportFailure_ = recorder->Finish(Outcome(), storeSha256);
}

}  // namespace tervaline::engine
