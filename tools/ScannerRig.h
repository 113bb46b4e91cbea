// TScannerRig: a chain scanner over a store file on the calling thread, set
// up as a scan sets it up, for the tests and the benchmark that drive the
// search and the carving on their own; and the one-step reference search
// they hold the bulk search to.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/ChainScanner.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanMode.h"
#include "engine/ScanStop.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

// The search FindChain must match: one position after another.
class TChainScannerPeer {
public:
    static std::uint64_t FindChainReference(TChainScanner& scanner) {
        const std::int64_t limit = scanner.SearchLimit();
        std::uint64_t result = 0;
        while (!scanner.SearchStep(limit, result)) {
        }
        return result;
    }
};

}  // namespace tervaline::engine

namespace tervaline::tools {

struct TScannerRig {
    TScannerRig(const std::string& path, engine::TScanMode mode, std::uint32_t bufferSize,
                std::int32_t progressSteps = 35, engine::TProgressMeter::TReport report = {})
        : File(path),
          Window(File, File.Size(), bufferSize),
          Progress(File.Size(), progressSteps, 1, std::move(report)),
          Scanner(Window, engine::ScanRulesFor(mode), Progress, Stop) {}

    platform::TUnsharedReadFile File;
    engine::TFileWindow Window;
    engine::TProgressMeter Progress;
    engine::TScanStop Stop;
    engine::TChainScanner Scanner;
};

}  // namespace tervaline::tools
