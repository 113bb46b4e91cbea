#include "cli/ScanCommand.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
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

}  // namespace

int RunScan(const TScanOptions& options, const std::atomic<bool>& stopFlag, std::FILE* out,
            std::FILE* err, const std::string& label) {
    engine::TScanSettings settings;
    settings.Source = Absolute(options.Store);
    settings.Output =
        options.Output.empty() ? platform::RemoveFileExt(kNative, settings.Source) : Absolute(options.Output);
    settings.Trash = options.Trash;
    settings.Mode = options.Mode;
    settings.BufferSize = options.BufferKB << 10;
    settings.ProgressSteps = options.Quiet ? 35 : 1000;
    settings.Report = options.Report;
    settings.Mbox = options.Mbox.empty() ? std::string() : Absolute(options.Mbox);
    settings.CodePage = options.CodePage;

    const std::uint64_t storeSize = platform::FileSizeOrZero(settings.Source);
    // Offsets are printed as wide as the files are named.
    const bool wideOffsets = storeSize >= (1ull << 32);
    platform::TQueueDispatcher dispatcher;
    TProgressBar bar(err, !options.Quiet && ::isatty(::fileno(err)) != 0, storeSize);
    bool done = false;
    engine::TScanOutcome outcome;

    auto worker = std::make_unique<TDBXScanThread>(dispatcher);
    worker->OnFound = [&dispatcher, &bar, out, quiet = options.Quiet, wideOffsets](TDBXScanThread& sender,
                                                                                  std::uint64_t) {
        // Runs on the worker: copy what the line needs, print on this thread.
        engine::TFoundMessage found = sender.LastFound();
        if (quiet) return;
        dispatcher.Post([&bar, out, found, wideOffsets] {
            bar.Clear();
            const bool wide = wideOffsets || found.Address >= (1ull << 32);
            std::fprintf(out, wide ? "0x%016" PRIX64 " %10" PRIu64 " bytes  %-7s  %s\n"
                                   : "0x%08" PRIX64 " %10" PRIu64 " bytes  %-7s  %s\n",
                         found.Address, found.Size,
                         found.InTrash ? "trash" : found.Deleted ? "deleted" : "output", found.Path.c_str());
            std::fflush(out);
        });
    };
    worker->OnProgress = [&dispatcher, &bar](TDBXScanThread&, std::uint64_t position) {
        dispatcher.Post([&bar, position] { bar.Update(position); });
    };
    worker->OnDone = [&done, &outcome](platform::TThread& sender) {
        outcome = TDBXScanThread::OutcomeOf(sender);
        done = true;
    };
    engine::ApplyScanSettings(*worker, settings);

    TDBXScanThread* running = platform::TThread::StartFreeOnDone(std::move(worker));
    bool stopRequested = false;
    while (!done) {
        dispatcher.RunOne(std::chrono::milliseconds(100));
        if (!stopRequested && stopFlag.load() && !done) {
            running->RequestStop();
            stopRequested = true;
        }
    }
    bar.Clear();

    std::fprintf(out, "%s%s%" PRIu64 " files found\n", label.c_str(), label.empty() ? "" : ": ", outcome.Found);
    std::fflush(out);
    int status = kExitCompleted;
    if (!outcome.FailureText.empty()) {
        std::fprintf(err, "tervaline-scan: the scan failed: %s\n", outcome.FailureText.c_str());
        status = kExitFailed;
    }
    if (outcome.Unwritten > 0) {
        std::fprintf(err, "tervaline-scan: %s\n", engine::DescribeUnwritten(outcome).c_str());
        status = kExitFailed;
    }
    if (!outcome.ReportFailure.empty()) {
        std::fprintf(err, "tervaline-scan: %s\n", outcome.ReportFailure.c_str());
        status = kExitFailed;
    }
    // A stop that came after the search had reached the end lost nothing.
    if (!outcome.ReachedEnd && status == kExitCompleted) {
        std::fprintf(err, "tervaline-scan: stopped before the end of the store\n");
        status = kExitInterrupted;
    }
    return status;
}

}  // namespace tervaline::cli
