// Runs a whole scan on a worker thread and collects what it reported.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DbxScan.h"

namespace tervaline::engine {

// Reaches into a scan for what only tests set.
class TDBXScanThreadPeer {
public:
    // Reports of progress over the whole scan, instead of the usual 1000.
    static void SetProgressSteps(TDBXScanThread& scan, std::int32_t steps) { scan.progressSteps_ = steps; }
};

}  // namespace tervaline::engine

namespace tervaline::testing {

struct TScanRun {
    std::vector<std::uint64_t> Found;
    std::vector<std::uint64_t> Progress;  // Done of each report
    int DoneCount = 0;
    engine::TScanOutcome Outcome;
};

struct TScanSetup : engine::TScanSettings {
    // 0: as many as a scan makes.
    std::int32_t ProgressSteps = 0;
    // Called on the writer thread at each find, after the file is written.
    std::function<void(engine::TDBXScanThread&, const engine::TFoundMessage&)> OnFoundHook;
    // Called on the writer thread for each message not written.
    std::function<void(engine::TDBXScanThread&, const engine::TUnwrittenMessage&)> OnUnwrittenHook;
    // Called on the search's thread at each progress report.
    std::function<void(engine::TDBXScanThread&, const engine::TScanProgress&)> OnProgressHook;
};

TScanRun RunScan(const TScanSetup& setup);

}  // namespace tervaline::testing
