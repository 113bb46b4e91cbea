// Runs a whole scan on a worker thread and collects what it reported.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DbxScan.h"

namespace tervaline::testing {

struct TScanRun {
    std::vector<std::uint32_t> Found;
    std::vector<std::uint32_t> Progress;
    int DoneCount = 0;
    std::string Failure;
    std::uint32_t Unwritten = 0;
    std::string FirstUnwrittenReason;
};

struct TScanSetup {
    std::string Source;
    std::string Output;
    std::string Trash = "trash";
    int Mode = 0;
    std::int32_t BufferSize = 10 * 1024;
    std::int32_t ProgressSteps = 35;
    // Called on the writer thread at each find, after the file is written.
    std::function<void(engine::TDBXScanThread&, std::uint32_t)> OnFoundHook;
    // Called on the search's thread at each progress report.
    std::function<void(engine::TDBXScanThread&, std::uint32_t)> OnProgressHook;
};

TScanRun RunScan(const TScanSetup& setup);

}  // namespace tervaline::testing
