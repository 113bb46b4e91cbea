// A folder of stores on the command line: each store is scanned in turn
// into a folder of its own, by the rules of engine/StoreFolder.h.
#pragma once

#include <atomic>
#include <cstdio>

#include "cli/ScanOptions.h"

namespace tervaline::cli {

// Scans as Options say: one store, or each store in the folder Options
// names, into OUTPUT/NAME, with a summary line per store. Returns the
// exit status, for a folder the worst of its scans' (a failure is worse
// than a stop); a stop ends the folder's scans there.
int RunScans(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err);

}  // namespace tervaline::cli
