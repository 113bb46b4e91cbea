// Runs a whole scan on a worker thread and collects what it reported.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DbxScan.h"

namespace tervaline::testing {

struct TScanRun {
    std::vector<std::uint64_t> Found;
    std::vector<std::uint64_t> Progress;
    int DoneCount = 0;
    engine::TScanOutcome Outcome;
};

struct TScanSetup : engine::TScanSettings {
    // Called on the writer thread at each find, after the file is written.
    std::function<void(engine::TDBXScanThread&, std::uint64_t)> OnFoundHook;
    // Called on the writer thread for each message not written.
    std::function<void(engine::TDBXScanThread&, std::uint64_t)> OnUnwrittenHook;
    // Called on the search's thread at each progress report.
    std::function<void(engine::TDBXScanThread&, std::uint64_t)> OnProgressHook;
};

TScanRun RunScan(const TScanSetup& setup);

}  // namespace tervaline::testing
