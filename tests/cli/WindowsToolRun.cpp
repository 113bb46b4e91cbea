// RunTool and its kin on Windows: the program is started with the system's
// own process calls, its command line quoted as the C runtime reads it.
#include <windows.h>

#include <chrono>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/win/Handle.h"
#include "platform/win/WideText.h"
#include "tests/cli/ToolRun.h"

namespace tervaline::testing {

namespace {

using platform::THandle;
using platform::WideText;

// The program beside the tests, as the build lays them out.
std::string ScanBinary() { return platform::ProgramFolder() + TERVALINE_SCAN_FROM_TESTS; }

// A file the child writes one of its streams to.
THandle InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return THandle(::CreateFileW(WideText(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Starts the program with Args, its output to OutFile and its errors to
// ErrFile (the same file when they are equal), in Folder when one is given.
THandle Start(const std::string& args, const std::string& outFile, const std::string& errFile,
              const std::string& folder, DWORD flags) {
    THandle out = InheritableFile(outFile);
    THandle err = errFile == outFile ? THandle() : InheritableFile(errFile);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Valid() ? err.Get() : out.Get();
    std::wstring command = WideText(Quote(ScanBinary()) + (args.empty() ? "" : " " + args));
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                          folder.empty() ? nullptr : WideText(folder).c_str(), &startup, &process)) {
        return THandle();
    }
    ::CloseHandle(process.hThread);
    return THandle(process.hProcess);
}

// The program's streams are text: each line ends in CR LF on Windows, read
// here as the C runtime reads text.
std::string TextOf(const std::string& path) {
    std::string text = ReadFileBytes(path);
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    return lines;
}

int Finish(const THandle& process) {
    DWORD status = 0;
    if (!process.Valid() || ::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.Get(), &status)) {
        return -1;
    }
    return static_cast<int>(status);
}

}  // namespace

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

TToolResult RunTool(const TTempDir& dir, const std::string& args, const std::string& prefix) {
    return RunToolIn(dir, std::string(), prefix + args);
}

TToolResult RunToolIn(const TTempDir& dir, const std::string& folder, const std::string& args) {
    const std::string outFile = dir / "stdout.txt";
    const std::string errFile = dir / "stderr.txt";
    TToolResult result;
    {
        const THandle process = Start(args, outFile, errFile, folder, 0);
        result.status = Finish(process);
    }
    result.out = TextOf(outFile);
    result.err = TextOf(errFile);
    return result;
}

TToolResult SignalToolMidScan(const TTempDir& dir, const std::string& store, const std::string& output,
                              const std::string& signal, const std::string& readyWhen) {
    TToolResult result;
    // Only Ctrl-C has a counterpart that one program sends another here.
    if (signal != "INT") return result;
    // Console events travel between the programs of one console: a test
    // run without one makes one. Ctrl-C reaches every program of the
    // console, this one too, which lets it pass.
    if (::GetConsoleWindow() == nullptr) ::AllocConsole();
    ::SetConsoleCtrlHandler([](DWORD event) -> BOOL { return event == CTRL_C_EVENT; }, TRUE);
    const std::string outFile = dir / "signalled.txt";
    const std::string ready = readyWhen.empty() ? output : readyWhen;
    {
        const THandle process =
            Start("--buffer 1 " + Quote(store) + " " + Quote(output), outFile, outFile, "", 0);
        if (!process.Valid()) return result;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!platform::FileExists(ready) && !platform::DirectoryExists(ready) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
            ::TerminateProcess(process.Get(), 1);
            Finish(process);
            return result;
        }
        result.status = Finish(process);
    }
    result.out = TextOf(outFile);
    return result;
}

}  // namespace tervaline::testing
