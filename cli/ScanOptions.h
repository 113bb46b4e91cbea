// The command line of tervaline-scan.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ScanMode.h"

namespace tervaline::cli {

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TAction { Scan, Help, Version };

struct TScanOptions {
    TAction Action = TAction::Scan;
    std::string Store;
    std::string Output;         // empty: the store's path without its extension
    std::string Trash = "trash";
    engine::TScanMode Mode = engine::TScanMode::Shallow;
    std::int32_t BufferKB = 10; // one of the window's list values
    bool Quiet = false;
};

// Parses the arguments after the program name; raises EUsage with a
// sentence that says what is wrong.
TScanOptions ParseScanOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace tervaline::cli
