// TDBXScanThread: one scan of one damaged mail store on a worker thread.
//
// The worker reads the store through a window buffer, finds the chains of
// 528-byte blocks that hold message text, reassembles each chain and writes
// it as XXXXXXXX.eml (its start offset in hexadecimal), into the output
// folder when it looks like mail and into the trash subfolder otherwise.
// Results leave the worker through OnFound, OnProgress, OnDone, the files it
// writes, and the outcome fields read after OnDone. The search runs on the
// worker's thread and raises OnProgress there; the messages are tested and
// written, and OnFound raised, in the order found on a writer thread of the
// worker's own, which has finished before OnDone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Component.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"
#include "platform/Thread.h"

namespace tervaline::engine {

class TDBXScanThread;
class TMailTest;
class TMessageWriter;
struct TCarvedMessage;

using TScanFoundEvent = std::function<void(TDBXScanThread& sender, std::uint32_t address)>;
using TScanProgressEvent = std::function<void(TDBXScanThread& sender, std::uint32_t position)>;

// A failed precondition of the file window; it names the unit and the check.
class EAssertionFailed : public std::logic_error {
public:
    explicit EAssertionFailed(int check);
    int Check() const { return check_; }

private:
    int check_;
};

// What the worker knows of the message it has just written; valid inside
// OnFound, on the thread that raises it.
struct TFoundMessage {
    std::uint32_t Address = 0;
    std::uint64_t Size = 0;
    bool InTrash = false;
    std::string Path;
};

// Largest store the 32-bit offsets can address with room for one block past
// its end, so that no position ever wraps around.
inline constexpr std::uint64_t kMaxStoreSize = 0xFFFFFFFFull - 2 * 528;

class TDBXScanThread : public platform::TThread {
public:
    explicit TDBXScanThread(platform::TDispatcher& dispatcher,
                            platform::TPathSyntax syntax = platform::NativePathSyntax());
    ~TDBXScanThread() override;

    // Set-up, before Start; SourceFile before SetOutputDir.
    void SetOutputDir(const std::string& value);
    void SetTrashDir(const std::string& value);
    void SetScanMode(int value);

    TScanFoundEvent OnFound;
    TScanProgressEvent OnProgress;
    std::string SourceFile;
    std::int32_t BufferSize = 0;
    std::int32_t ProgressSteps = 0;
    platform::TComponent* Parent = nullptr;

    // Safe on any thread. Made by an OnProgress receiver, it ends the search
    // and the messages already carved are written; made anywhere else, no
    // message is written after the one being written.
    void RequestStop() override;

    const std::string& OutputDir() const { return outputDir_; }
    const std::string& TrashDir() const { return trashDir_; }
    int ScanMode() const { return scanMode_; }

    // Outcome, read after OnDone. An empty FailureText means the scan ran to
    // its end or to a stop request.
    const std::string& FailureText() const { return failureText_; }
    std::uint32_t FoundCount() const { return foundCount_; }
    std::uint32_t UnwrittenCount() const { return unwrittenCount_; }
    const std::string& FirstUnwrittenReason() const { return firstUnwrittenReason_; }

    const TFoundMessage& LastFound() const { return lastFound_; }

    // Name of the file that receives the chain starting at Offset.
    static std::string MessageFileName(std::uint32_t offset);

    // The file window; public so that its rules can be checked on their own.
    void LoadWindow(std::uint32_t offset);
    std::uint32_t Position() const { return windowBase_ + windowPos_; }
    std::uint32_t WindowBase() const { return windowBase_; }
    std::uint32_t WindowLen() const { return windowLen_; }
    void Skip(std::uint32_t n);
    void Back(std::uint32_t n);
    void Peek(void* dest, std::uint32_t count);

    // Opens SourceFile and allocates the window, as the scan body does
    // first; for checking the window and the search on their own.
    void OpenForInspection();

    void CheckFileHeader();
    std::uint32_t FindChain();
    // The search one position at a time; FindChain must match it in every
    // result, window refill and progress report.
    std::uint32_t FindChainReference();
    // Reassembles the chain at the cursor. During a scan its message is
    // tested and written on the writer thread, in turn; otherwise (when
    // the window is inspected on its own) before this returns.
    void CarveChain();

protected:
    void Execute() override;  // the thread body

    // Whether a reassembled chain goes to the output folder rather than the
    // trash. Virtual so that a benchmark can measure the scan without it.
    virtual bool IsMail(const std::string& text);

private:
    void ScanFile();
    void CloseFile();
    void DoProgress(std::uint32_t position);
    std::int64_t SearchLimit() const;
    std::uint32_t SearchStepSize() const;
    bool SearchStep(std::int64_t limit, std::uint32_t& result);
    std::uint32_t QuietRunLength(std::int64_t limit) const;
    void DoFound(std::uint32_t offset);
    // Runs on the writer thread during a scan; returns false once a stop
    // has been requested other than by an OnProgress receiver.
    bool HandleCarved(TCarvedMessage& carved);
    void WriteMessage(std::uint32_t start, const std::string& message);
    void NoteUnwritten(const std::string& reason);

    platform::TPathSyntax syntax_;
    std::string outputDir_;
    std::string trashDir_;
    int scanMode_ = 0;

    std::unique_ptr<platform::TUnsharedReadFile> fileStream_;
    std::uint64_t fileSize_ = 0;
    std::uint32_t progressStep_ = 0;
    std::uint32_t progressMark_ = 0;
    std::unique_ptr<std::uint8_t[]> windowBuf_;
    std::uint32_t windowPos_ = 0;
    std::uint32_t windowBase_ = 0;
    std::uint32_t windowLen_ = 0;

    std::string failureText_;
    // Whether a stop was requested other than from the search's own thread.
    std::atomic<bool> stopFromElsewhere_{false};

    // Exists while ScanFile runs. The members after it are the writer
    // thread's while it runs, and the scan thread's again once it has
    // finished.
    std::unique_ptr<TMessageWriter> writer_;
    std::unique_ptr<TMailTest> mailTest_;
    std::uint32_t foundCount_ = 0;
    std::uint32_t unwrittenCount_ = 0;
    std::string firstUnwrittenReason_;
    TFoundMessage lastFound_;
    // Folders this scan has already found or made, so that each message
    // need not look them up again.
    std::string knownOutputDir_;
    std::string knownTrashDir_;
};

}  // namespace tervaline::engine
