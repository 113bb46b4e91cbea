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

}  // namespace tervaline::testing
