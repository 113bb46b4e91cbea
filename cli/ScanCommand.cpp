#include "cli/ScanCommand.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <memory>
#include <string>

#include "cli/PrintableText.h"
#include "cli/ProgressBar.h"
#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"
#include "platform/TextOutput.h"

namespace tervaline::cli {

namespace {

using engine::TDBXScanThread;
using platform::TPathSyntax;

constexpr TPathSyntax kNative = platform::NativePathSyntax();

// Relative paths on a command line mean "from here", not "from the store's
// folder", so both are made absolute before the worker resolves them.
// Without a current folder a relative OUTPUT has no place at all; a store
// still opens from wherever the process stands.
std::string Absolute(const std::string& path, bool isOutput) {
    if (platform::HasDrivePart(kNative, path)) return path;
    try {
        return platform::JoinPath(kNative, platform::CurrentFolder(), path);
    } catch (const platform::EFileError& e) {
        if (!isOutput) return path;
        throw platform::EFileError("Cannot tell the current folder (" + platform::SystemErrorText(e.Error()) +
                                   "), so the relative output folder \"" + path +
                                   "\" has no place; give it as an absolute path");
    }
}

// Offsets are printed as wide as the files are named.
std::string OffsetText(std::uint64_t offset, bool wideStore) {
    char text[24];
    if (wideStore || offset >= (1ull << 32)) {
        std::snprintf(text, sizeof text, "0x%016" PRIX64, offset);
    } else {
        std::snprintf(text, sizeof text, "0x%08" PRIX64, offset);
    }
    return text;
}

}  // namespace

void Say(std::FILE* out, const char* format, ...) {
    if (std::ferror(out)) return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0u, '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    platform::WriteText(out, text);
    std::fflush(out);
}

int RunScan(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err,
            const std::string& label) {
    engine::TScanSettings settings;
    try {
        settings.Source = Absolute(options.Store, false);
        settings.Output = options.Output.empty() ? std::string() : Absolute(options.Output, true);
    } catch (const platform::EFileError& e) {
        Say(err, "tervaline-scan: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    settings.Trash = options.Trash;
    settings.Mode = options.Mode;
    settings.BufferSize = options.BufferKB << 10;
    settings.ProgressSteps = options.Quiet ? 35 : 1000;
    settings.Report = options.Report;
    settings.HashStore = options.HashStore;
    settings.MboxAll = options.MboxAll;
    try {
        settings.Mbox = options.Mbox.empty() ? std::string() : Absolute(options.Mbox, true);
    } catch (const platform::EFileError& e) {
        Say(err, "tervaline-scan: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    settings.CodePage = options.CodePage;

    const std::uint64_t storeSize = platform::FileSizeOrZero(settings.Source);
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
            Say(out, "%s %10" PRIu64 " bytes  %-7s  %s\n", OffsetText(found.Address, wideOffsets).c_str(), found.Size,
                engine::MessagePlaceName(found.Place), Printable(found.Path).c_str());
        });
    };
    worker->OnUnwritten = [&dispatcher, &bar, err, wideOffsets](TDBXScanThread& sender, std::uint64_t) {
        engine::TUnwrittenMessage unwritten = sender.LastUnwritten();
        dispatcher.Post([&bar, err, unwritten, wideOffsets] {
            bar.Clear();
            Say(err, "tervaline-scan: %s not written: %s\n", OffsetText(unwritten.Address, wideOffsets).c_str(),
                Printable(unwritten.Reason).c_str());
        });
    };
    worker->OnProgress = [&dispatcher, &bar](TDBXScanThread&, std::uint64_t position) {
        dispatcher.Post([&bar, position] { bar.Update(position); });
    };
    worker->OnDone = [&done, &outcome](platform::TThread& sender) {
        outcome = TDBXScanThread::OutcomeOf(sender);
        done = true;
    };
    try {
        engine::ApplyScanSettings(*worker, settings);
    } catch (const platform::EFileError& e) {
        Say(err, "tervaline-scan: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    if (!options.Quiet) Say(out, "output folder: %s\n", Printable(worker->OutputDir()).c_str());

    TDBXScanThread* running = platform::TThread::StartFreeOnDone(std::move(worker));
    int stoppedBy = 0;
    while (!done) {
        dispatcher.RunOne(std::chrono::milliseconds(100));
        if (stoppedBy == 0 && stopSignal.load() != 0 && !done) {
            stoppedBy = stopSignal.load();
            running->RequestStop();
        }
    }
    bar.Clear();

    Say(out, "%s%s%" PRIu64 " %s found, %" PRIu64 " written\n", Printable(label).c_str(), label.empty() ? "" : ": ",
        outcome.Carved, outcome.Carved == 1 ? "message" : "messages", outcome.Found);
    int status = kExitCompleted;
    // What the disk could not read is lost to the salvage, though the scan
    // read on past it.
    for (const engine::TUnreadableArea& area : outcome.Unreadable) {
        Say(err, "tervaline-scan: unreadable: %s +%" PRIu64 " bytes: %s\n", OffsetText(area.Offset, wideOffsets).c_str(),
            area.Length, Printable(area.Reason).c_str());
        status = kExitFailed;
    }
    if (!outcome.FailureText.empty()) {
        Say(err, "tervaline-scan: the scan failed: %s\n", Printable(outcome.FailureText).c_str());
        status = kExitFailed;
    }
    if (outcome.Unwritten > 0) {
        Say(err, "tervaline-scan: %s\n", Printable(engine::DescribeUnwritten(outcome)).c_str());
        status = kExitFailed;
    }
    if (!outcome.ReportFailure.empty()) {
        Say(err, "tervaline-scan: %s\n", Printable(outcome.ReportFailure).c_str());
        status = kExitFailed;
    }
    for (const std::string& note : engine::DescribeNotes(outcome)) {
        Say(err, "tervaline-scan: %s\n", Printable(note).c_str());
    }
    // A stop that came after the search had reached the end lost nothing.
    if (stoppedBy != 0 && !outcome.ReachedEnd) {
        Say(err, "tervaline-scan: stopped at %s, before the end of the store\n",
            OffsetText(outcome.SearchedTo, wideOffsets).c_str());
        // Messages that could not be written outweigh the stop.
        if (status == kExitCompleted) status = 128 + stoppedBy;
    }
    return status;
}

}  // namespace tervaline::cli
