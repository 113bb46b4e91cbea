// bench/scan: how fast a scan runs beside a plain read of the same file.
//
// Generates (once, cached under bench/.cache) a 512 MiB store of realistic
// messages and noise, then for Shallow and Bottom mode with 10 KB and
// 1000 KB windows prints the scan's MB/s next to the raw read throughput of
// the same file through a buffer of the same size, their ratio, and the
// scan's peak memory. Each measurement runs in a child process so that its
// peak memory is its own. The page cache is warmed first, and the found
// messages go to a memory-backed folder when there is one.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "tools/StoreBuilder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tervaline::engine::TDBXScanThread;

namespace {

constexpr std::uint64_t kStoreSize = 512ull << 20;

struct TMeasure {
    double seconds = 0;
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

TMeasure Scan(const std::string& path, const std::string& out, int mode, std::int32_t buffer) {
    tervaline::platform::TQueueDispatcher dispatcher;
    auto worker = std::make_unique<TDBXScanThread>(dispatcher);
    bool done = false;
    TMeasure m;
    worker->OnFound = [&m](TDBXScanThread& scan, std::uint32_t) {
        m.largestMessage = std::max(m.largestMessage, scan.LastFound().Size);
    };
    worker->OnDone = [&](tervaline::platform::TThread& sender) {
        done = true;
        auto& scan = static_cast<TDBXScanThread&>(sender);
        m.found = scan.FoundCount();
        if (!scan.FailureText().empty()) std::fprintf(stderr, "scan failed: %s\n", scan.FailureText().c_str());
    };
    worker->SourceFile = path;
    worker->SetOutputDir(out);
    worker->SetTrashDir("trash");
    worker->SetScanMode(mode);
    worker->BufferSize = buffer;
    worker->ProgressSteps = 35;
    const auto t0 = Clock::now();
    tervaline::platform::TThread::StartFreeOnDone(std::move(worker));
    dispatcher.RunUntil([&done] { return done; });
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
        TMeasure m = body();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        m.peakKiB = usage.ru_maxrss;
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

}  // namespace

int main(int argc, char** argv) {
    const fs::path cache = argc > 1 ? fs::path(argv[1]) : fs::path(TERVALINE_BENCH_CACHE);
    fs::create_directories(cache);
    const std::string store = (cache / "scan-512M.dbx").string();
    if (!fs::exists(store) || fs::file_size(store) != kStoreSize) GenerateStore(store);
    // Messages are written to memory where the system offers it, so that the
    // file system's cost of creating thousands of files does not hide the
    // scan's own.
    const fs::path shm = "/dev/shm";
    const std::string out = ((fs::is_directory(shm) ? shm : cache) / "tervaline-bench-out").string();
    const double mb = static_cast<double>(kStoreSize) / 1e6;

    RawRead(store, 1 << 20);  // warm the page cache
    std::printf("%-8s %8s %10s %10s %7s %9s %8s %12s\n", "mode", "window", "scan MB/s", "read MB/s", "ratio",
                "peak MiB", "limit", "found");
    for (std::int32_t kb : {10, 1000}) {
        const std::int32_t buffer = kb * 1024;
        const TMeasure raw = InChild([&] { return RawRead(store, static_cast<std::size_t>(buffer)); });
        for (int mode : {0, 2}) {
            fs::remove_all(out);
            const TMeasure scan = InChild([&] { return Scan(store, out, mode, buffer); });
            // Window, twice the largest message, and 32 MiB for the program.
            const double limitMiB = (buffer + 2.0 * scan.largestMessage) / 1048576.0 + 32.0;
            std::printf("%-8s %6d KB %10.1f %10.1f %7.3f %9.1f %8.1f %12u\n", mode == 0 ? "shallow" : "bottom", kb,
                        mb / scan.seconds, mb / raw.seconds, raw.seconds / scan.seconds, scan.peakKiB / 1024.0,
                        limitMiB, scan.found);
            std::fflush(stdout);
        }
    }
    fs::remove_all(out);
    return 0;
}
