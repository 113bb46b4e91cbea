// A folder of stores on the command line: a mail program keeps one store
// per mail folder, all in one folder, and each is scanned in turn into a
// folder of its own.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ScanOptions.h"

namespace tervaline::cli {

// The *.dbx files directly in Folder (the extension in any case), by name.
std::vector<std::string> StoresInFolder(const std::string& folder);

// Scans as Options say: one store, or each store in the folder Options
// names, into OUTPUT/NAME, with a summary line per store. Returns the
// exit status, for a folder the worst of its scans' (a failure is worse
// than a stop); a stop ends the folder's scans there.
int RunScans(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err);

}  // namespace tervaline::cli
