// Runs one scan for tervaline-scan on the calling thread's dispatcher and
// reports it in plain words.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "cli/ScanOptions.h"

namespace tervaline::cli {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// A scan stopped by a signal ends with 128 and the signal's number: 130
// for Ctrl-C (SIGINT), 129 for SIGHUP, 143 for SIGTERM.
inline constexpr int kExitInterrupted = 130;

// Prints to Out unless an earlier print found it closed (a reader that has
// gone): the scan goes on, and only the printing stops. Paths in the text
// reach a console whole, whatever its code page.
__attribute__((format(printf, 2, 3))) void Say(std::FILE* out, const char* format, ...);

// Scans as Options say. StopSignal, when it becomes non-zero (the number of
// the signal that asks), requests a stop: the chain being carved is
// finished and the count so far printed. A Label (the store's name in a
// folder of stores) opens the count's line; Folder is the store's mail
// folder, as the scan's settings take it.
int RunScan(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err,
            const std::string& label = std::string(), const std::string& folder = std::string());

}  // namespace tervaline::cli
