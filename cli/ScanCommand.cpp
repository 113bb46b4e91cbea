#include "cli/ScanCommand.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <memory>
#include <optional>
#include <string>

#include "cli/PrintableText.h"
#include "cli/ProgressBar.h"
#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "engine/ScanNotes.h"
#include "engine/ScanVerdict.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"
#include "platform/StoreSource.h"
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

std::string OffsetText(std::uint64_t offset, std::uint64_t storeSize) {
    return "0x" + engine::OffsetDigits(offset, storeSize);
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
            const std::string& label, const std::string& folder) {
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
    settings.Report = options.Report;
    settings.HashStore = options.HashStore;
    settings.MboxAll = options.MboxAll;
    try {
        settings.Mbox = options.Mbox.empty() ? std::string() : Absolute(options.Mbox, true);
        settings.Dfxml = options.Dfxml.empty() ? std::string() : Absolute(options.Dfxml, true);
        settings.BodyFile = options.BodyFile.empty() ? std::string() : Absolute(options.BodyFile, true);
    } catch (const platform::EFileError& e) {
        Say(err, "tervaline-scan: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    settings.CodePage = options.CodePage;
    settings.Folder = folder;
    settings.Forensic = options.Forensic;
    settings.CommandLine = options.CommandLine;

    // An image is read as the disk it holds: offsets are the disk's, and
    // what it records of itself heads the output. Closed again before the
    // scan opens it for itself, which says what is wrong where this fails.
    std::uint64_t storeSize = platform::FileSizeOrZero(settings.Source);
    std::optional<platform::TImageFacts> image;
    try {
        const std::unique_ptr<platform::TStoreSource> source = platform::OpenStoreSource(settings.Source);
        storeSize = source->Size();
        if (source->Image() != nullptr) image = *source->Image();
    } catch (const platform::EFileError&) {
        // Sized as a file; the scan's own open names the fault.
    }
    platform::TQueueDispatcher dispatcher;
    TProgressBar bar(err, !options.Quiet && ::isatty(::fileno(err)) != 0);
    bool done = false;
    engine::TScanOutcome outcome;

    engine::TScanEvents events;
    // Found, Unwritten and Progress come on the scan's threads: each is
    // copied and printed on this one.
    if (!options.Quiet) {
        events.Found = [&dispatcher, &bar, out, storeSize](const engine::TFoundMessage& found) {
            dispatcher.Post([&bar, out, found, storeSize] {
                bar.Clear();
                Say(out, "%s %10" PRIu64 " bytes  %-7s  %s\n", OffsetText(found.Address, storeSize).c_str(),
                    found.Size, engine::MessagePlaceName(found.Place), Printable(found.Path).c_str());
            });
        };
    }
    events.Unwritten = [&dispatcher, &bar, err, storeSize](const engine::TUnwrittenMessage& unwritten) {
        dispatcher.Post([&bar, err, unwritten, storeSize] {
            bar.Clear();
            Say(err, "tervaline-scan: %s not written: %s\n", OffsetText(unwritten.Address, storeSize).c_str(),
                Printable(unwritten.Reason).c_str());
        });
    };
    events.Progress = [&dispatcher, &bar](const engine::TScanProgress& progress) {
        dispatcher.Post([&bar, progress] { bar.Update(progress); });
    };
    events.Done = [&done, &outcome](const engine::TScanOutcome& ended) {
        outcome = ended;
        done = true;
    };
    std::unique_ptr<TDBXScanThread> worker;
    try {
        worker = std::make_unique<TDBXScanThread>(dispatcher, std::move(settings), std::move(events));
    } catch (const platform::EFileError& e) {
        Say(err, "tervaline-scan: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    if (!options.Quiet) Say(out, "output folder: %s\n", Printable(worker->OutputDir()).c_str());
    if (!options.Quiet && image) {
        Say(out, "%s image in %llu segment file%s, of a disk of %" PRIu64 " bytes\n", Printable(image->Format).c_str(),
            static_cast<unsigned long long>(image->Segments.size()), image->Segments.size() == 1 ? "" : "s",
            storeSize);
        for (const auto& [name, value] : image->StoredDigests) {
            Say(out, "  stored %s: %s\n", Printable(name).c_str(), Printable(value).c_str());
        }
        for (const auto& [name, value] : image->Case) {
            Say(out, "  %s: %s\n", Printable(name).c_str(), Printable(value).c_str());
        }
    }

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
    if (engine::StoreListsAny(outcome.Records)) {
        Say(out, "%s%s%s\n", Printable(label).c_str(), label.empty() ? "" : ": ",
            engine::CompletenessLine(outcome.Records).c_str());
    }
    // What the disk could not read is lost to the salvage, though the scan
    // read on past it: each place is named before the notes sum them up.
    for (const engine::TUnreadableArea& area : outcome.Unreadable) {
        Say(err, "tervaline-scan: unreadable: %s +%" PRIu64 " bytes: %s\n", OffsetText(area.Offset, storeSize).c_str(),
            area.Length, Printable(area.Reason).c_str());
    }
    const engine::TScanVerdict verdict = engine::VerdictOf(outcome);
    if (verdict == engine::TScanVerdict::NotStarted || verdict == engine::TScanVerdict::Failed) {
        Say(err, "tervaline-scan: %s: %s\n",
            verdict == engine::TScanVerdict::NotStarted ? "the scan did not start" : "the scan failed",
            Printable(outcome.FailureText).c_str());
    }
    for (const engine::TScanNote& note : engine::ScanNotesOf(outcome)) {
        if (note.Kind == engine::TScanNoteKind::Unreadable) continue;  // named place by place above
        Say(err, "tervaline-scan: %s\n", Printable(engine::EnglishNoteText(note)).c_str());
    }
    if (verdict == engine::TScanVerdict::Stopped) {
        Say(err, "tervaline-scan: stopped at %s, before the end of the store\n",
            OffsetText(outcome.SearchedTo, storeSize).c_str());
    }
    int status = kExitCompleted;
    if (verdict == engine::TScanVerdict::NotStarted || verdict == engine::TScanVerdict::Failed ||
        engine::HasLosses(outcome)) {
        status = kExitFailed;
    } else if (verdict == engine::TScanVerdict::Stopped) {
        // Messages that could not be written outweigh the stop.
        status = 128 + stoppedBy;
    }
    return status;
}

}  // namespace tervaline::cli
