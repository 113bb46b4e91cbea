// Runs the tervaline-scan program through the shell and keeps what it said.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

namespace tervaline::testing {

struct TToolResult {
    int status = -1;  // exit status, or -1 when the program did not exit
    std::string out;
    std::string err;
};

// Single quotes for the shell.
std::string Quote(const std::string& s);

// Runs the program with Args; Prefix goes in front of it (e.g. a command
// that changes the user). Standard error passes through a file in Dir.
TToolResult RunTool(const TTempDir& dir, const std::string& args, const std::string& prefix = "");

// Starts the program on Store with a one-kilobyte window (so that a large
// store keeps it busy), sends it Signal ("INT", "TERM", "HUP") once
// ReadyWhen exists (Output when empty), and waits for it. Answers its exit
// status (-1 when it did not exit) with what it printed on both streams.
TToolResult SignalToolMidScan(const TTempDir& dir, const std::string& store, const std::string& output,
                              const std::string& signal, const std::string& readyWhen = "");

}  // namespace tervaline::testing
