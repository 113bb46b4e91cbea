// bench/scan: how fast a scan runs beside a plain read of the same file.
//
// Generates (once, cached under bench/.cache) a 512 MiB store of realistic
// messages and noise. For 10 KB and 1000 KB windows it prints the raw read
// throughput of the file through a buffer of that size, and for Shallow and
// Bottom mode the throughput of: the search alone, step by step and in bulk
// (each candidate is stepped over as a rejected block would be); for Deep
// mode its index pass and linking alone, and its speed beside Bottom's; for
// each the whole scan, with the report and with the report and an mbox file
// too; and the whole scan without the mail test, with their ratios to the
// raw read, the scan's peak memory and the share the mail test adds. Each
// figure is the best of a few runs, each in a child process so that its
// peak memory and processor time are its own; throughput by processor time
// is printed beside wall-clock throughput because it holds steadier on a
// busy machine. The page cache is warmed first, and the found
// messages go to a memory-backed folder when there is one. Beside them it
// prints how fast the scan's output alone can be written, file by file, as
// the floor below which no scan of this store can go, and what the mail
// test alone costs over the same messages, as a share of the scan. Last,
// Bottom and Deep mode over a sparse disk image of 8.5 GiB that holds the
// store past 4 GiB, beside a raw read of the image.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/BlockIndex.h"
#include "engine/BlockLayout.h"
#include "engine/ChainLinker.h"
#include "engine/ChainSource.h"
#include "engine/DbxScan.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"
#include "engine/MailTest.h"
#include "engine/report/StoreDigest.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "tools/ScannerRig.h"
#include "tools/StoreBuilder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tervaline::engine::TDBXScanThread;
using tervaline::engine::TScanMode;

namespace {

constexpr std::uint64_t kStoreSize = 512ull << 20;
constexpr int kRuns = 5;

struct TMeasure {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of all the child's threads
    long peakKiB = 0;
    std::uint32_t found = 0;
    std::uint64_t largestMessage = 0;
};

// About a fifth messages (500 B to 64 KB, some not mail) and the rest noise
// and zeroed stretches, as in a store whose indexes were lost.
void GenerateStore(const std::string& path) {
    std::fprintf(stderr, "generating %s ...\n", path.c_str());
    tervaline::tools::TStoreBuilder store(true);
    std::mt19937_64 rng(2026);
    std::uint64_t seed = 0;
    while (store.End() < kStoreSize - (1u << 20)) {
        const int kind = static_cast<int>(rng() % 10);
        if (kind < 2) {
            const std::size_t size = 500 + rng() % (rng() % 8 == 0 ? 64000 : 6000);
            store.AddMessage(tervaline::tools::MakeMailText(++seed, size, rng() % 5 != 0));
        } else if (kind < 9) {
            store.AddNoise(4096 + rng() % 32768, ++seed);
        } else {
            store.AddZeros(4096 + rng() % 16384);
        }
        store.Align(4);
    }
    store.AddZeros(kStoreSize - store.End());
    store.WriteTo(path);
}

TMeasure RawRead(const std::string& path, std::size_t buffer) {
    tervaline::platform::TUnsharedReadFile file(path);
    std::vector<char> buf(buffer);
    const auto t0 = Clock::now();
    std::uint64_t offset = 0;
    std::uint64_t sum = 0;
    for (;;) {
        const std::size_t n = file.ReadAt(offset, buf.data(), buf.size());
        if (n == 0) break;
        sum += static_cast<unsigned char>(buf[n - 1]);  // keep the read observable
        offset += n;
    }
    TMeasure m;
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    m.found = static_cast<std::uint32_t>(sum & 1);
    return m;
}

// A scan in which every chain counts as mail, to tell the mail test's cost.
class TScanWithoutMailTest : public TDBXScanThread {
public:
    using TDBXScanThread::TDBXScanThread;

protected:
    bool IsMail(const std::string&) override { return true; }
};

// What a scan writes beyond its message files.
enum class TExtras { None, Report, ReportAndMbox };

TMeasure Scan(const std::string& path, const std::string& out, TScanMode mode, std::int32_t buffer, bool mailTest,
              TExtras extras = TExtras::None) {
    tervaline::platform::TQueueDispatcher dispatcher;
    bool done = false;
    TMeasure m;
    tervaline::engine::TScanEvents events;
    events.Found = [&m](const tervaline::engine::TFoundMessage& found) {
        m.largestMessage = std::max(m.largestMessage, found.Size);
    };
    events.Done = [&](const tervaline::engine::TScanOutcome& outcome) {
        done = true;
        m.found = static_cast<std::uint32_t>(outcome.Found);
        if (!outcome.FailureText.empty()) std::fprintf(stderr, "scan failed: %s\n", outcome.FailureText.c_str());
        if (!outcome.ReportFailure.empty()) std::fprintf(stderr, "report failed: %s\n", outcome.ReportFailure.c_str());
    };
    tervaline::engine::TScanSettings settings;
    settings.Source = path;
    settings.Output = out;
    settings.Mode = mode;
    settings.BufferSize = buffer;
    settings.Report = extras != TExtras::None;
    if (extras == TExtras::ReportAndMbox) settings.Mbox = out + ".mbox";
    auto worker = mailTest ? std::make_unique<TDBXScanThread>(dispatcher, settings, std::move(events))
                           : std::make_unique<TScanWithoutMailTest>(dispatcher, settings, std::move(events));
    const auto t0 = Clock::now();
    tervaline::platform::TThread::StartFreeOnDone(std::move(worker));
    dispatcher.RunUntil([&done] { return done; });
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return m;
}

// The search over the whole file on this thread, without carving: after
// each candidate the cursor moves on 8 bytes from where the block header
// would begin, as after a rejected block.
TMeasure Search(const std::string& path, TScanMode mode, std::int32_t buffer, bool bulk) {
    const auto t0 = Clock::now();
    tervaline::tools::TScannerRig rig(path, mode, static_cast<std::uint32_t>(buffer));
    rig.Scanner.CheckFileHeader();
    TMeasure m;
    while ((bulk ? rig.Scanner.FindChain() : tervaline::engine::TChainScannerPeer::FindChainReference(rig.Scanner)) != 0) {
        ++m.found;
        rig.Window.Skip(8);
    }
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return m;
}

// Deep mode's index pass and linking alone over the whole file, without
// carving: what Deep mode costs before it reads a single chain.
TMeasure Index(const std::string& path, std::int32_t buffer) {
    const auto t0 = Clock::now();
    tervaline::platform::TUnsharedReadFile file(path);
    tervaline::engine::TFileWindow window(file, file.Size(), static_cast<std::uint32_t>(buffer));
    tervaline::engine::TProgressMeter progress(file.Size(), 35, 1, {});
    tervaline::engine::TScanStop stop;
    tervaline::engine::TBlockIndex index;
    index.Build(window, tervaline::engine::ScanStart(window), progress, stop);
    const tervaline::engine::TChainLinker linker(index);
    TMeasure m;
    m.found = static_cast<std::uint32_t>(index.Size());
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return m;
}

double CpuSeconds(const rusage& u) {
    const auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

struct TWrittenMessage {
    std::string relativePath;
    std::string text;
};

// The messages a scan wrote, read back from Out.
std::vector<TWrittenMessage> ReadOutput(const fs::path& out) {
    std::vector<TWrittenMessage> messages;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (!entry.is_regular_file()) continue;
        TWrittenMessage m;
        m.relativePath = fs::relative(entry.path(), out).string();
        std::ifstream in(entry.path(), std::ios::binary);
        m.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        messages.push_back(std::move(m));
    }
    std::sort(messages.begin(), messages.end(),
              [](const auto& a, const auto& b) { return a.relativePath < b.relativePath; });
    return messages;
}

// Writing the files a scan wrote (kept in Reference) once more, one after
// another as the scan does, and nothing else: what the scan cannot go below
// while each message is a file of its own. Only the writing is timed.
TMeasure WriteAlone(const fs::path& reference, const std::string& out) {
    const std::vector<TWrittenMessage> messages = ReadOutput(reference);
    tervaline::platform::ForceDirectories(out + "/trash");
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto t0 = Clock::now();
    for (const auto& m : messages) tervaline::platform::WriteWholeFile(out + "/" + m.relativePath, m.text);
    TMeasure m;
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    m.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    m.found = static_cast<std::uint32_t>(messages.size());
    return m;
}

// The mail test alone over the messages a scan wrote (kept in Reference),
// one test object as in a scan: its share of a scan, free of the noise of
// two threads sharing the machine. Only the tests are timed.
TMeasure MailTestAlone(const fs::path& reference) {
    const std::vector<TWrittenMessage> messages = ReadOutput(reference);
    tervaline::engine::TMailTest test(nullptr);
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto t0 = Clock::now();
    std::uint32_t mail = 0;
    for (const auto& m : messages) mail += test.IsMail(m.text) ? 1 : 0;
    TMeasure m;
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    m.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    m.found = mail;
    return m;
}

// The store's SHA-256 alone, read as the report's head reads it: what the
// report costs beyond its rows.
TMeasure StoreChecksumAlone(const std::string& path) {
    tervaline::platform::TUnsharedReadFile file(path);
    tervaline::engine::TScanStop stop;
    const auto t0 = Clock::now();
    tervaline::engine::TStoreDigest digest(file, file.Size(), stop);
    TMeasure m;
    m.found = digest.Result().Sha256.size() == 64 ? 1 : 0;
    m.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return m;
}

// Runs Body in a child process and returns its measure with the child's
// own peak resident memory.
template <class Body>
TMeasure InChild(Body body) {
    int fds[2];
    if (::pipe(fds) != 0) std::exit(1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        TMeasure m = body();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        m.peakKiB = usage.ru_maxrss;
        // A body that timed only part of its work measured its own share.
        if (m.cpuSeconds == 0) m.cpuSeconds = CpuSeconds(usage) - CpuSeconds(before);
        if (::write(fds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) ::_exit(1);
        ::_exit(0);
    }
    ::close(fds[1]);
    TMeasure m;
    if (::read(fds[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) std::exit(1);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return m;
}

// The best of Runs runs, each in a child, by wall-clock and by processor
// time separately; the output folder is emptied before each.
template <class Body>
TMeasure Best(const std::string& out, Body body, int runs = kRuns) {
    TMeasure best;
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(out);
        const TMeasure m = InChild(body);
        const double cpu = i == 0 ? m.cpuSeconds : std::min(best.cpuSeconds, m.cpuSeconds);
        if (i == 0 || m.seconds < best.seconds) best = m;
        best.cpuSeconds = cpu;
    }
    return best;
}

// A disk image: the store placed past 4 GiB in a sparse file of 8 GiB and
// more, scanned in Bottom and Deep mode beside a raw read of the image.
void ImageRows(const fs::path& cache, const std::string& store, const std::string& out) {
    const std::string image = (cache / "image-8G.dbx").string();
    constexpr std::uint64_t kAt = (4ull << 30) + 3;
    constexpr std::uint64_t kImageSize = (8ull << 30) + kStoreSize;
    if (!fs::exists(image) || fs::file_size(image) != kImageSize) {
        std::fprintf(stderr, "making %s ...\n", image.c_str());
        std::ifstream in(store, std::ios::binary);
        std::fstream file(image, std::ios::binary | std::ios::out | std::ios::trunc);
        file.close();
        fs::resize_file(image, kImageSize);
        file.open(image, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(kAt));
        file << in.rdbuf();
    }
    const std::int32_t buffer = 1000 * 1024;
    const double mb = static_cast<double>(kImageSize) / 1e6;
    const int runs = 2;
    const TMeasure raw = Best(out, [&] { return RawRead(image, static_cast<std::size_t>(buffer)); }, runs);
    std::printf("%-8s %5d KB %-18s %9.1f %7s %9.1f\n", "image", 1000, "raw read", mb / raw.seconds, "",
                mb / raw.cpuSeconds);
    for (TScanMode mode : {TScanMode::Bottom, TScanMode::Deep}) {
        const TMeasure m = Best(out, [&] { return Scan(image, out, mode, buffer, true); }, runs);
        std::printf("%-8s %5d KB %-18s %9.1f %7.3f %9.1f %7.3f %9.1f %8s %8u\n", "image", 1000,
                    tervaline::engine::ScanModeName(mode), mb / m.seconds, raw.seconds / m.seconds,
                    mb / m.cpuSeconds, raw.cpuSeconds / m.cpuSeconds, m.peakKiB / 1024.0, "", m.found);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // --store-only makes the store (for the scripts that time the program
    // itself on it), prints its path and ends.
    const bool storeOnly = argc > 1 && std::string(argv[1]) == "--store-only";
    const int folderArg = storeOnly ? 2 : 1;
    const fs::path cache = argc > folderArg ? fs::path(argv[folderArg]) : fs::path(TERVALINE_BENCH_CACHE);
    fs::create_directories(cache);
    const std::string store = (cache / "scan-512M.dbx").string();
    if (!fs::exists(store) || fs::file_size(store) != kStoreSize) GenerateStore(store);
    if (storeOnly) {
        std::printf("%s\n", store.c_str());
        return 0;
    }
    // Messages are written to memory where the system offers it, so that the
    // file system's cost of creating thousands of files does not hide the
    // scan's own.
    const fs::path shm = "/dev/shm";
    const std::string out = ((fs::is_directory(shm) ? shm : cache) / "tervaline-bench-out").string();
    const double mb = static_cast<double>(kStoreSize) / 1e6;

    RawRead(store, 1 << 20);  // warm the page cache
    // Read in the child, so that the benchmark's own memory stays out of
    // the peak of the scans measured after it.
    const std::string reference = out + "-reference";
    fs::remove_all(reference);
    InChild([&] { return Scan(store, reference, TScanMode::Shallow, 1 << 20, true); });
    const TMeasure writing = Best(out, [&] { return WriteAlone(reference, out); });
    const TMeasure mailAlone = Best(out, [&] { return MailTestAlone(reference); });
    const TMeasure storeChecksum = Best(out, [&] { return StoreChecksumAlone(store); });
    fs::remove_all(reference);
    std::printf("%-8s %8s %-18s %9s %7s %9s %7s %9s %8s %8s\n", "mode", "window", "what", "MB/s", "ratio",
                "cpu MB/s", "ratio", "peak MiB", "limit", "found");
    for (std::int32_t kb : {10, 1000}) {
        const std::int32_t buffer = kb * 1024;
        const TMeasure raw = Best(out, [&] { return RawRead(store, static_cast<std::size_t>(buffer)); });
        std::printf("%-8s %5d KB %-18s %9.1f %7s %9.1f\n", "-", kb, "raw read", mb / raw.seconds, "",
                    mb / raw.cpuSeconds);
        std::printf("%-8s %5d KB %-18s %9.1f %7.3f %9.1f %7.3f %9s %8s %8u\n", "-", kb, "write output alone",
                    mb / writing.seconds, raw.seconds / writing.seconds, mb / writing.cpuSeconds,
                    raw.cpuSeconds / writing.cpuSeconds, "", "", writing.found);
        double bottomSeconds = 0;
        std::uint32_t headers = 0;
        for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep}) {
            const char* name = tervaline::engine::ScanModeName(mode);
            auto row = [&](const char* what, const TMeasure& m) {
                std::printf("%-8s %5d KB %-18s %9.1f %7.3f %9.1f %7.3f", name, kb, what, mb / m.seconds,
                            raw.seconds / m.seconds, mb / m.cpuSeconds, raw.cpuSeconds / m.cpuSeconds);
                if (m.peakKiB > 0 && m.largestMessage > 0) {
                    // Window, twice the largest message, and 32 MiB for the
                    // program; Deep mode adds its read-ahead buffer and 32
                    // bytes for each header in its index.
                    double limitMiB = (buffer + 2.0 * m.largestMessage) / 1048576.0 + 32.0;
                    if (mode == TScanMode::Deep) limitMiB += (buffer + 32.0 * headers) / 1048576.0;
                    std::printf(" %9.1f %8.1f", m.peakKiB / 1024.0, limitMiB);
                } else {
                    std::printf(" %9s %8s", "", "");
                }
                std::printf(" %8u\n", m.found);
                std::fflush(stdout);
            };
            if (mode == TScanMode::Deep) {
                const TMeasure index = Best(out, [&] { return Index(store, buffer); });
                headers = index.found;
                row("index, headers", index);
            } else {
                row("search, reference", Best(out, [&] { return Search(store, mode, buffer, false); }));
                row("search, bulk", Best(out, [&] { return Search(store, mode, buffer, true); }));
            }
            const TMeasure scan = Best(out, [&] { return Scan(store, out, mode, buffer, true); });
            row("scan", scan);
            if (mode == TScanMode::Bottom) bottomSeconds = scan.seconds;
            if (mode == TScanMode::Deep) {
                std::printf("%-8s %5d KB %-18s %9.3f\n", name, kb, "of bottom's speed", bottomSeconds / scan.seconds);
            }
            const auto adds = [&](const char* what, const TMeasure& with, const TMeasure& without) {
                std::printf("%-8s %5d KB %-18s %+8.1f%% %7s %+8.1f%%\n", name, kb, what,
                            100.0 * (with.seconds / without.seconds - 1), "",
                            100.0 * (with.cpuSeconds / without.cpuSeconds - 1));
            };
            const TMeasure reported =
                Best(out, [&] { return Scan(store, out, mode, buffer, true, TExtras::Report); });
            row("scan, report", reported);
            const TMeasure boxed =
                Best(out, [&] { return Scan(store, out, mode, buffer, true, TExtras::ReportAndMbox); });
            row("scan, report, mbox", boxed);
            adds("report adds", reported, scan);
            adds("report, mbox add", boxed, scan);
            std::printf("%-8s %5d KB %-18s %+8.1f%% %7s %+8.1f%%\n", name, kb, "store sha256 alone",
                        100.0 * storeChecksum.seconds / scan.seconds, "",
                        100.0 * storeChecksum.cpuSeconds / scan.cpuSeconds);
            const TMeasure bare = Best(out, [&] { return Scan(store, out, mode, buffer, false); });
            row("scan, no mail test", bare);
            std::printf("%-8s %5d KB %-18s %+8.1f%% %7s %+8.1f%%\n", name, kb, "mail test adds",
                        100.0 * (scan.seconds / bare.seconds - 1), "", 100.0 * (scan.cpuSeconds / bare.cpuSeconds - 1));
            std::printf("%-8s %5d KB %-18s %+8.1f%% %7s %+8.1f%% %28u mail\n", name, kb, "mail test alone",
                        100.0 * mailAlone.seconds / bare.seconds, "", 100.0 * mailAlone.cpuSeconds / bare.cpuSeconds,
                        mailAlone.found);
        }
    }
    ImageRows(cache, store, out);
    fs::remove_all(out);
    fs::remove(out + ".mbox");
    return 0;
}
