// tervaline-scan: salvages the messages of a damaged mail store from the
// command line, with the same engine as the window.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ScanCommand.h"
#include "cli/ScanOptions.h"
#include "cli/StoreFolder.h"

namespace {

std::atomic<bool> gStop{false};

extern "C" void OnInterrupt(int) { gStop.store(true); }

}  // namespace

int main(int argc, char** argv) {
    using namespace tervaline::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    TScanOptions options;
    try {
        options = ParseScanOptions(args);
    } catch (const EUsage& e) {
        std::fprintf(stderr, "tervaline-scan: %s\nRun tervaline-scan --help for the options.\n", e.what());
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
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return RunScans(options, gStop, stdout, stderr);
}
