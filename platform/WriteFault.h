// Test builds only: write failures injected below TNewFile::Write, for the
// full disks and failing writes a test cannot make for real.
#pragma once

#ifdef TERVALINE_FAULT_INJECTION

#include <cstddef>
#include <functional>
#include <string>

namespace tervaline::platform {

// When a fault is set, TNewFile::Write (and so WriteWholeFile) writes the
// first bytes of a file in two halves and asks the fault before each write
// (with the path the file is meant for and the bytes written so far); a
// non-zero errno it returns fails the write as if the system had refused
// it, in the C library's words for that errno on every system. An empty
// function removes the fault. Thread-safe.
using TWriteFault = std::function<int(const std::string& path, std::size_t written)>;
void SetWriteFaultForTesting(TWriteFault fault);

}  // namespace tervaline::platform

#endif
