#include "cli/ScanCommand.h"

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "cli/ProgressBar.h"
#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::cli {

namespace {

using engine::TDBXScanThread;
using platform::TPathSyntax;

constexpr TPathSyntax kNative = platform::NativePathSyntax();

// Relative paths on a command line mean "from here", not "from the store's
// folder", so both are made absolute before the worker resolves them.
std::string Absolute(const std::string& path) {
    if (platform::HasDrivePart(kNative, path)) return path;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
    return platform::JoinPath(kNative, cwd, path);
}

struct TScanReport {
    bool done = false;
    std::string failure;
    std::uint32_t found = 0;
    std::uint32_t unwritten = 0;
    std::string firstUnwrittenReason;
};

}  // namespace

int RunScan(const TScanOptions& options, const std::atomic<bool>& stopFlag, std::FILE* out,
            std::FILE* err) {
    const std::string store = Absolute(options.Store);
    const std::string output =
        options.Output.empty() ? platform::RemoveFileExt(kNative, store) : Absolute(options.Output);

    platform::TQueueDispatcher dispatcher;
    TProgressBar bar(err, !options.Quiet && ::isatty(::fileno(err)) != 0, platform::FileSizeOrZero(store));
    TScanReport report;

    auto worker = std::make_unique<TDBXScanThread>(dispatcher);
    worker->OnFound = [&dispatcher, &bar, out, quiet = options.Quiet](TDBXScanThread& sender, std::uint32_t) {
        // Runs on the worker: copy what the line needs, print on this thread.
        engine::TFoundMessage found = sender.LastFound();
        if (quiet) return;
        dispatcher.Post([&bar, out, found] {
            bar.Clear();
            std::fprintf(out, "0x%08X %10llu bytes  %-6s  %s\n", static_cast<unsigned>(found.Address),
                         static_cast<unsigned long long>(found.Size), found.InTrash ? "trash" : "output",
                         found.Path.c_str());
            std::fflush(out);
        });
    };
    worker->OnProgress = [&dispatcher, &bar](TDBXScanThread&, std::uint32_t position) {
        dispatcher.Post([&bar, position] { bar.Update(position); });
    };
    worker->OnDone = [&report](platform::TThread& sender) {
        auto& scan = static_cast<TDBXScanThread&>(sender);
        report.done = true;
        report.failure = scan.FailureText();
        report.found = scan.FoundCount();
        report.unwritten = scan.UnwrittenCount();
        report.firstUnwrittenReason = scan.FirstUnwrittenReason();
    };
    worker->SourceFile = store;
    worker->SetOutputDir(output);
    worker->SetTrashDir(options.Trash);
    worker->SetScanMode(options.ScanMode);
    worker->BufferSize = options.BufferKB << 10;
    worker->ProgressSteps = options.Quiet ? 35 : 1000;

    TDBXScanThread* running = platform::TThread::StartFreeOnDone(std::move(worker));
    bool stopRequested = false;
    while (!report.done) {
        dispatcher.RunOne(std::chrono::milliseconds(100));
        if (!stopRequested && stopFlag.load() && !report.done) {
            running->RequestStop();
            stopRequested = true;
        }
    }
    bar.Clear();

    std::fprintf(out, "%u files found\n", report.found);
    std::fflush(out);
    int status = kExitCompleted;
    if (!report.failure.empty()) {
        std::fprintf(err, "tervaline-scan: the scan failed: %s\n", report.failure.c_str());
        status = kExitFailed;
    }
    if (report.unwritten > 0) {
        std::fprintf(err, "tervaline-scan: %u message%s could not be written; the first because: %s\n",
                     report.unwritten, report.unwritten == 1 ? "" : "s", report.firstUnwrittenReason.c_str());
        status = kExitFailed;
    }
    if (stopRequested && status == kExitCompleted) {
        std::fprintf(err, "tervaline-scan: stopped before the end of the store\n");
        status = kExitInterrupted;
    }
    return status;
}

}  // namespace tervaline::cli
