// Running the system's own tools from a test (coreutils, Python, xmllint,
// mactime): the words quoted for a POSIX shell, and what a command printed.
#pragma once

#include <string>

namespace tervaline::testing {

// Word quoted for a POSIX shell, whatever it holds.
std::string ShellQuote(const std::string& word);

// What Command printed on standard output; empty when it could not run.
std::string CommandOutput(const std::string& command);

}  // namespace tervaline::testing
