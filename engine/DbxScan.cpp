// Set-up and the thread body of a scan.
#include "engine/DbxScan.h"

#include <cstdio>
#include <new>
#include <system_error>

#include "engine/BlockLayout.h"
#include "engine/MailTest.h"
#include "engine/MessageWriter.h"

namespace tervaline::engine {

using platform::TPathSyntax;

namespace {

// Message text carved but not yet written; a few hundred typical messages,
// enough to even out the writer's pace against the search's.
constexpr std::size_t kMaxQueuedMessageBytes = 4u << 20;

// The scan whose search runs on this thread, if any.
thread_local const TDBXScanThread* tlsScanning = nullptr;

class TScanningScope {
public:
    explicit TScanningScope(const TDBXScanThread* scan) { tlsScanning = scan; }
    ~TScanningScope() { tlsScanning = nullptr; }
    TScanningScope(const TScanningScope&) = delete;
    TScanningScope& operator=(const TScanningScope&) = delete;
};

}  // namespace

void TDBXScanThread::RequestStop() {
    // A receiver of OnProgress stops the search where it stands, and what
    // was carved before is still written. A request from anywhere else (the
    // window, or a receiver of OnFound) stops the writing too: the message
    // in hand is finished and those queued behind it are dropped, so that
    // no more is written than had the search waited for each message.
    if (tlsScanning != this) stopFromElsewhere_.store(true, std::memory_order_relaxed);
    TThread::RequestStop();
}

EAssertionFailed::EAssertionFailed(int check)
    : std::logic_error("Assertion failed in DbxScan, check " + std::to_string(check)), check_(check) {}

TDBXScanThread::TDBXScanThread(platform::TDispatcher& dispatcher, TPathSyntax syntax)
    : TThread(dispatcher), syntax_(syntax) {}

TDBXScanThread::~TDBXScanThread() {
    // The body uses this object's members, which go before the base's
    // destructor could stop it: a scan destroyed while running ends first.
    RequestStop();
    WaitFor();
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

void TDBXScanThread::SetScanMode(int value) { scanMode_ = value <= 1 ? value : -1; }

std::string TDBXScanThread::MessageFileName(std::uint32_t offset) {
    char name[16];
    std::snprintf(name, sizeof name, "%08X.eml", static_cast<unsigned>(offset));
    return name;
}

void TDBXScanThread::Execute() { ScanFile(); }

void TDBXScanThread::OpenForInspection() {
    windowPos_ = 0;
    windowBase_ = 0;
    fileStream_ = std::make_unique<platform::TUnsharedReadFile>(SourceFile);
    fileSize_ = fileStream_->Size();
    if (fileSize_ > kMaxStoreSize) {
        throw platform::EFileError("\"" + SourceFile +
                                   "\" is 4 GiB or larger; stores of that size cannot be scanned");
    }
    if (BufferSize <= 0) throw std::invalid_argument("The read buffer size must be positive");
    // The window's content is never read before a load fills it.
    windowBuf_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(BufferSize));
    if (ProgressSteps == 0) throw std::invalid_argument("The number of progress steps is 0");
    progressStep_ = static_cast<std::uint32_t>(static_cast<std::int64_t>(fileSize_) / ProgressSteps);
}

void TDBXScanThread::CloseFile() {
    mailTest_.reset();
    windowBuf_.reset();
    fileStream_.reset();
}

void TDBXScanThread::ScanFile() {
    // Every path out releases the window and closes the store; whatever
    // ended the scan is kept in words for the caller instead of being lost.
    const TScanningScope scanning(this);
    try {
        OpenForInspection();
        CheckFileHeader();
        try {
            writer_ = std::make_unique<TMessageWriter>(
                [this](TCarvedMessage& carved) { return HandleCarved(carved); }, kMaxQueuedMessageBytes);
        } catch (const std::system_error&) {
            // No second thread to be had: the search writes each message
            // itself, as it does when the window is inspected on its own.
        }
        std::uint32_t found = 0;
        do {
            found = FindChain();
            if (found > 0) CarveChain();
        } while (!StopRequested() && found != 0);
    } catch (const std::bad_alloc&) {
        failureText_ = "Not enough memory for the read buffer or a message";
    } catch (const std::exception& e) {
        failureText_ = e.what();
    } catch (...) {
        failureText_ = "The scan ended on an unknown error";
    }
    // What was carved is written, and its OnFound delivered, before the
    // store is let go and OnDone can follow.
    writer_.reset();
    CloseFile();
}

}  // namespace tervaline::engine
