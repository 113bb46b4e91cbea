// Scans arbitrary bytes as a store, in Shallow, Bottom and Deep mode, through a
// small window whose size the first byte picks (513 to 1533 bytes, so that
// refills land everywhere). Every scan must end without a failure, report
// exactly the files it wrote, and leave nothing else behind.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "platform/StoreSource.h"

using namespace tervaline;
namespace fs = std::filesystem;

namespace {

const fs::path& Scratch() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("tervaline-fuzz-scan-" + std::to_string(::getpid()));
        fs::remove_all(p);
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

struct TCleanUp {
    ~TCleanUp() {
        std::error_code ignored;
        fs::remove_all(Scratch(), ignored);
    }
} gCleanUp;

// Message files under Out and its trash folder; anything else aborts.
std::uint64_t CountMessageFiles(const fs::path& out) {
    std::uint64_t count = 0;
    if (!fs::exists(out)) return 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        const fs::path rel = fs::relative(entry.path(), out);
        if (entry.is_directory()) {
            if (rel != "trash" && rel != "deleted") std::abort();
            continue;
        }
        // The report, and nothing else of it: no room file, no temporary file.
        if (rel == "report.csv" || rel == "report.json") continue;
        const std::string name = rel.filename().string();
        if (name.size() != 12 || name.substr(8) != ".eml") std::abort();  // e.g. a left-over .partial
        ++count;
    }
    return count;
}

void ScanOnce(const std::string& store, engine::TScanMode mode, std::int32_t bufferSize) {
    const fs::path out = Scratch() / "out";
    platform::TQueueDispatcher dispatcher;
    bool done = false;
    engine::TScanOutcome outcome;
    engine::TScanEvents events;
    events.Done = [&](const engine::TScanOutcome& ended) {
        outcome = ended;
        done = true;
    };
    engine::TScanSettings settings;
    settings.Source = store;
    settings.Output = out.string();
    settings.Mode = mode;
    settings.BufferSize = bufferSize;
    // Whatever the chains hold, their header fields are decoded for it.
    settings.Report = true;
    platform::TThread::StartFreeOnDone(
        std::make_unique<engine::TDBXScanThread>(dispatcher, std::move(settings), std::move(events)));
    dispatcher.RunUntil([&done] { return done; });
    if (!outcome.FailureText.empty() || outcome.Unwritten != 0 || !outcome.ReachedEnd) std::abort();
    if (CountMessageFiles(out) != outcome.Found) std::abort();
    // A file that is neither a store nor gave any message leaves nothing,
    // not even a report; any other has its report.
    const bool leavesNothing = outcome.Carved == 0 && !outcome.StoreSignature;
    if (!outcome.ReportFailure.empty() || fs::exists(out / "report.json") == leavesNothing ||
        fs::exists(out / "report.csv") == leavesNothing || (leavesNothing && fs::exists(out))) {
        std::abort();
    }
    fs::remove_all(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Bytes that begin as an E01 image would go to the image library's
    // parser, which is not ours to fuzz.
    if (platform::IsEwfSignature(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1))) return 0;
    const std::int32_t bufferSize = 513 + 4 * data[0];
    const std::string store = (Scratch() / "store.dbx").string();
    {
        std::ofstream file(store, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
        if (!file) std::abort();
    }
    ScanOnce(store, engine::TScanMode::Shallow, bufferSize);
    ScanOnce(store, engine::TScanMode::Bottom, bufferSize);
    ScanOnce(store, engine::TScanMode::Deep, bufferSize);
    return 0;
}
