// tervaline-scan: salvages the messages of a damaged mail store from the
// command line, with the same engine as the window.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cli/PrintableText.h"
#include "cli/ScanCommand.h"
#include "cli/ScanOptions.h"
#include "cli/StoreFolder.h"

namespace {

// The first signal that asked for a stop.
std::atomic<int> gStopSignal{0};

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    gStopSignal.compare_exchange_strong(none, signal);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tervaline::cli;
#if defined(__GLIBC__)
    // Every thread that allocates would otherwise get a heap of its own,
    // each reserving 64 MiB of address space: a salvage run under a memory
    // limit needs that room for its messages.
    mallopt(M_ARENA_MAX, 1);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    TScanOptions options;
    try {
        options = ParseScanOptions(args);
    } catch (const EUsage& e) {
        std::fprintf(stderr, "tervaline-scan: %s\nRun tervaline-scan --help for the options.\n",
                     Printable(e.what()).c_str());
        return kExitUsage;
    }
    if (options.Action == TAction::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitCompleted;
    }
    if (options.Action == TAction::Version) {
        std::printf("tervaline-scan %s\n", TERVALINE_VERSION);
        return kExitCompleted;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    // A reader of the output that goes away ends the printing, not the
    // salvage.
    std::signal(SIGPIPE, SIG_IGN);
    return RunScans(options, gStopSignal, stdout, stderr);
}
