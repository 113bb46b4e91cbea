// TDBXScanThread: one scan of one damaged mail store on a worker thread,
// the one way the command line, the windows, the tests and the benchmark
// run a scan: settings go in as one value when it is made, results come out
// as values through its events.
//
// The worker reads the store through a file window, finds the chains of
// 528-byte blocks that hold message text, reassembles each chain and writes
// it as XXXXXXXX.eml (its start offset in hexadecimal), into the output
// folder when it looks like mail and into the trash subfolder otherwise.
// The search runs on the worker's thread and raises Progress there; the
// messages are tested and written, and Found or Unwritten raised, in the
// order found on a writer thread of the worker's own, which has finished,
// and what it wrote been made durable, before Done. Done comes last, on
// the dispatcher's thread, with the outcome.
//
// The worker wires together the pieces that do the work: the file window
// (FileWindow.h), the chain source (ChainSource.h), the output
// (MessageOutput.h), the writer thread (MessageWriter.h), the stop rule
// (ScanStop.h) and the report (SalvageRecording.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/FoundMessage.h"
#include "engine/ScanMode.h"
#include "engine/ScanProgress.h"
#include "engine/ScanSettings.h"
#include "engine/ScanStop.h"
#include "platform/PathSyntax.h"
#include "platform/Thread.h"

namespace tervaline::engine {

class TMessageOutput;
class TStoreRecords;

// What a scan hands out while it runs and when it ends. Found, Unwritten
// and Progress run on the scan's own threads and must be quick; a receiver
// that shows them posts them on. Done runs on the dispatcher's thread after
// every other event.
struct TScanEvents {
    std::function<void(const TFoundMessage&)> Found;          // after the file is written
    std::function<void(const TUnwrittenMessage&)> Unwritten;  // a message that could not be written
    std::function<void(const TScanProgress&)> Progress;
    std::function<void(const TScanOutcome&)> Done;
};

// Largest store Shallow mode reads: its self offsets are 32-bit, with room
// for one block past the end so that no position wraps around.
inline constexpr std::uint64_t kMaxShallowStoreSize = 0xFFFFFFFFull - 2 * 528;

class TDBXScanThread : public platform::TThread {
public:
    // Resolves the output folder (empty: DefaultOutputFolder; relative:
    // inside the store's folder) and the trash name, which may raise
    // EFileError. The settings hold from here on.
    TDBXScanThread(platform::TDispatcher& dispatcher, TScanSettings settings, TScanEvents events,
                   platform::TPathSyntax syntax = platform::NativePathSyntax());
    ~TDBXScanThread() override;

    const TScanSettings& Settings() const { return settings_; }
    const std::string& OutputDir() const { return outputDir_; }
    const std::string& TrashDir() const { return trashDir_; }

    // Safe on any thread; the stop rule is TScanStop's.
    void RequestStop() override;

protected:
    void Execute() override;  // the thread body
    void DoDone() override;

    // Whether a reassembled chain goes to the output folder rather than the
    // trash. Virtual so that a benchmark can measure the scan without it.
    virtual bool IsMail(const std::string& text);

private:
    friend class TDBXScanThreadPeer;  // tests: finer progress steps

    void ScanFile();
    void CheckTrashName() const;
    TScanOutcome Outcome() const;
    void JoinRecord(TCarvedMessage& carved);
    void CountFound(const TFoundMessage& found);

    const platform::TPathSyntax syntax_;
    const TScanSettings settings_;
    const TScanEvents events_;
    std::string outputDir_;
    std::string trashDir_;
    // Reports of progress over a whole scan.
    std::int32_t progressSteps_ = 1000;

    TScanStop stop_;
    std::atomic<bool> stopRequested_{false};
    // Made by the scan; the writer thread's while it runs.
    std::unique_ptr<TMessageOutput> output_;
    std::string failureText_;
    bool started_ = false;
    std::uint64_t carved_ = 0;
    bool storeSignature_ = false;
    bool reachedEnd_ = false;
    std::string reportFailure_;
    std::uint64_t recordingLeftovers_ = 0;
    std::uint64_t searchedTo_ = 0;
    // The store's own records, when read; the search's thread joins them
    // to the chains, and the writer's counts what it wrote of each kind.
    std::unique_ptr<TStoreRecords> records_;
    std::atomic<std::uint64_t> recoveredListed_{0};
    std::atomic<std::uint64_t> unlisted_{0};
    std::atomic<std::uint64_t> unlistedDeleted_{0};
    // What the store's windows could not read; listed into while the scan
    // runs, on any of its threads.
    const std::shared_ptr<TUnreadableAreas> unreadable_ = std::make_shared<TUnreadableAreas>();
};

}  // namespace tervaline::engine
