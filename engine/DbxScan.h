// TDBXScanThread: one scan of one damaged mail store on a worker thread.
//
// The worker reads the store through a file window, finds the chains of
// 528-byte blocks that hold message text, reassembles each chain and writes
// it as XXXXXXXX.eml (its start offset in hexadecimal), into the output
// folder when it looks like mail and into the trash subfolder otherwise.
// Results leave the worker through OnFound, OnUnwritten, OnProgress, OnDone,
// the files it writes, and the outcome read after OnDone. The search runs on
// the worker's thread and raises OnProgress there; the messages are tested
// and written, and OnFound or OnUnwritten raised, in the order found on a
// writer thread of the worker's own, which has finished, and what it wrote
// been made durable, before OnDone.
//
// The worker wires together the pieces that do the work: the file window
// (FileWindow.h), the chain scanner (ChainScanner.h), the output
// (MessageOutput.h), the writer thread (MessageWriter.h) and the stop rule
// (ScanStop.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/FoundMessage.h"
#include "engine/ScanMode.h"
#include "engine/ScanSettings.h"
#include "engine/ScanStop.h"
#include "platform/Component.h"
#include "platform/PathSyntax.h"
#include "platform/Thread.h"

namespace tervaline::engine {

class TDBXScanThread;
class TMessageOutput;

using TScanFoundEvent = std::function<void(TDBXScanThread& sender, std::uint64_t address)>;
using TScanProgressEvent = std::function<void(TDBXScanThread& sender, std::uint64_t position)>;

// Largest store Shallow mode reads: its self offsets are 32-bit, with room
// for one block past the end so that no position wraps around.
inline constexpr std::uint64_t kMaxShallowStoreSize = 0xFFFFFFFFull - 2 * 528;

class TDBXScanThread : public platform::TThread {
public:
    explicit TDBXScanThread(platform::TDispatcher& dispatcher,
                            platform::TPathSyntax syntax = platform::NativePathSyntax());
    ~TDBXScanThread() override;

    // Set-up, before Start; SourceFile before SetOutputDir. ApplyScanSettings
    // below does all of it in the right order.
    void SetOutputDir(const std::string& value);
    void SetTrashDir(const std::string& value);
    // 0 Shallow, 1 Grid, anything else Bottom.
    void SetScanMode(int value) { scanMode_ = ScanModeFromNumber(value); }
    void SetScanMode(TScanMode value) { scanMode_ = value; }

    TScanFoundEvent OnFound;
    // Raised like OnFound for each message that could not be written.
    TScanFoundEvent OnUnwritten;
    TScanProgressEvent OnProgress;
    std::string SourceFile;
    std::int32_t BufferSize = 0;
    std::int32_t ProgressSteps = 0;
    platform::TComponent* Parent = nullptr;
    // What becomes of the messages beyond their files (TScanSettings).
    bool Report = false;
    bool HashStore = false;
    std::string Mbox;
    bool MboxAll = false;
    std::string CodePage = "932";

    // Safe on any thread; the stop rule is TScanStop's.
    void RequestStop() override;

    const std::string& OutputDir() const { return outputDir_; }
    const std::string& TrashDir() const { return trashDir_; }
    TScanMode ScanMode() const { return scanMode_; }
    platform::TPathSyntax Syntax() const { return syntax_; }

    // Read after OnDone.
    TScanOutcome Outcome() const;
    // The outcome of the scan that raised OnDone with Sender.
    static TScanOutcome OutcomeOf(const platform::TThread& sender);

    // What the worker knows of the message it has just written; valid
    // inside OnFound, on the thread that raises it.
    const TFoundMessage& LastFound() const;
    // Likewise for the message just not written; valid inside OnUnwritten.
    const TUnwrittenMessage& LastUnwritten() const;

    // Name of the file that receives the chain starting at Offset, in a
    // store smaller than 4 GiB (MessageFileName.h names them in any store).
    static std::string MessageFileName(std::uint64_t offset);

protected:
    void Execute() override;  // the thread body

    // Whether a reassembled chain goes to the output folder rather than the
    // trash. Virtual so that a benchmark can measure the scan without it.
    virtual bool IsMail(const std::string& text);

private:
    void ScanFile();
    void CheckTrashName() const;

    platform::TPathSyntax syntax_;
    std::string outputDir_;
    std::string trashDir_;
    TScanMode scanMode_ = TScanMode::Shallow;

    TScanStop stop_;
    // Made by the scan; the writer thread's while it runs.
    std::unique_ptr<TMessageOutput> output_;
    std::string failureText_;
    std::uint64_t carved_ = 0;
    bool storeSignature_ = false;
    bool reachedEnd_ = false;
    std::string reportFailure_;
    std::uint64_t recordingLeftovers_ = 0;
    std::uint64_t searchedTo_ = 0;
    // What the store's windows could not read; listed into while the scan
    // runs, on any of its threads.
    const std::shared_ptr<TUnreadableAreas> unreadable_ = std::make_shared<TUnreadableAreas>();
};

// Sets Scan up from Settings, in the order the set-up needs; an empty
// output folder becomes DefaultOutputFolder. Before Start.
void ApplyScanSettings(TDBXScanThread& scan, const TScanSettings& settings);

}  // namespace tervaline::engine
