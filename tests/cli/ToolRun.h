// Runs the tervaline-scan program and keeps what it said: through the shell
// on POSIX, with the system's process calls on Windows.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

namespace tervaline::testing {

struct TToolResult {
    int status = -1;  // exit status, or -1 when the program did not exit
    std::string out;
    std::string err;
};

// Quotes for the shell, or for the C runtime's reading of a command line.
std::string Quote(const std::string& s);

// Runs the program with Args; Prefix goes in front of it (e.g. a command
// that changes the user). Standard error passes through a file in Dir.
TToolResult RunTool(const TTempDir& dir, const std::string& args, const std::string& prefix = "");

// The same, with Folder the program's current folder.
TToolResult RunToolIn(const TTempDir& dir, const std::string& folder, const std::string& args);

// Starts the program on Store with a one-kilobyte window (so that a large
// store keeps it busy), sends it Signal ("INT", "TERM", "HUP") once
// ReadyWhen exists (Output when empty), and waits for it. Answers its exit
// status (-1 when it did not exit) with what it printed on both streams.
// On Windows only "INT" can be sent, as Ctrl-C to the console; where the
// system passes no such event (Wine), or for any other signal, the program
// is ended and -1 answered.
TToolResult SignalToolMidScan(const TTempDir& dir, const std::string& store, const std::string& output,
                              const std::string& signal, const std::string& readyWhen = "");

}  // namespace tervaline::testing
