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
#ifdef _WIN32
#include <windows.h>

#include "platform/win/WideText.h"
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

#ifdef _WIN32
// Ctrl-C and Ctrl-Break stop the scan as SIGINT does; a console that is
// closed, or a session that ends, as SIGHUP (1) does. Windows ends the
// process once the handler returns from those, so the handler waits there
// for the scan to stop and the count to be printed: the process then ends
// from its main thread.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    OnStopSignal(interrupt ? SIGINT : 1);
    if (!interrupt) ::Sleep(INFINITE);
    return TRUE;
}

// The command line arrives as UTF-16 and is taken as the program's 8-bit
// text here, once.
std::vector<std::string> Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(tervaline::platform::NarrowText(argv[i]));
    return args;
}

void CatchStopRequests() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }
#else
std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

void CatchStopRequests() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    // A reader of the output that goes away ends the printing, not the
    // salvage; a file that grows past the size the user allows fails that
    // file, which is named, not the whole salvage.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
#endif

int Run(const std::vector<std::string>& args) {
    using namespace tervaline::cli;
    TScanOptions options;
    try {
        options = ParseScanOptions(args);
    } catch (const EUsage& e) {
        Say(stderr, "tervaline-scan: %s\nRun tervaline-scan --help for the options.\n", Printable(e.what()).c_str());
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
    CatchStopRequests();
    return RunScans(options, gStopSignal, stdout, stderr);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Run(Arguments(argc, argv)); }
#else
int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every thread that allocates would otherwise get a heap of its own,
    // each reserving 64 MiB of address space: a salvage run under a memory
    // limit needs that room for its messages.
    mallopt(M_ARENA_MAX, 1);
#endif
    return Run(Arguments(argc, argv));
}
#endif
