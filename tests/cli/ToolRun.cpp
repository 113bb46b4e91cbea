#include "tests/cli/ToolRun.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace tervaline::testing {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TToolResult RunTool(const TTempDir& dir, const std::string& args, const std::string& prefix) {
    const std::string errFile = dir / "stderr.txt";
    const std::string command = prefix + TERVALINE_SCAN_BINARY + " " + args + " 2>" + Quote(errFile);
    TToolResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.out.append(buf, n);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.err = ReadFileBytes(errFile);
    return result;
}

TToolResult RunToolIn(const TTempDir& dir, const std::string& folder, const std::string& args) {
    return RunTool(dir, args, "cd " + Quote(folder) + " && ");
}

TToolResult SignalToolMidScan(const TTempDir& dir, const std::string& store, const std::string& output,
                              const std::string& signal, const std::string& readyWhen) {
    const std::string outFile = dir / "signalled.txt";
    const std::string ready = readyWhen.empty() ? output : readyWhen;
    const std::string command = std::string(TERVALINE_SCAN_BINARY) + " --buffer 1 " + Quote(store) + " " +
                                Quote(output) + " > " + Quote(outFile) + " 2>&1 & pid=$!; " + "while [ ! -e " +
                                Quote(ready) + " ]; do sleep 0.01; done; " + "kill -" + signal + " $pid; wait $pid";
    const int raw = std::system(("bash -c " + Quote(command)).c_str());
    TToolResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFileBytes(outFile);
    return result;
}

}  // namespace tervaline::testing
