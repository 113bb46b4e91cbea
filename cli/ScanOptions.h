// The command line of tervaline-scan, read by the command-line library.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/SalvageRecording.h"
#include "engine/ScanMode.h"

namespace tervaline::cli {

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TAction { Scan, Help, Version };

struct TScanOptions {
    TAction Action = TAction::Scan;
    std::string Store;          // a store, or a folder of stores
    std::string Output;         // empty: the store's path without its extension
    std::string Trash = "trash";
    engine::TScanMode Mode = engine::TScanMode::Shallow;
    std::int32_t BufferKB = 10; // one of the window's list values
    bool Quiet = false;
    bool Report = engine::SalvageRecordingBuilt();  // on by default where the build can write it
    bool HashStore = false;     // the store's SHA-256 in the report
    std::string Mbox;           // empty: none
    bool MboxAll = false;       // byte-identical copies into the mbox file too
    std::string CodePage = "932";
    std::string Dfxml;          // empty: none
    std::string BodyFile;       // empty: none
    bool Forensic = false;      // an examiner's run
    std::string CommandLine;    // the arguments as given, quoted where needed
};

// Parses the arguments after the program name; raises EUsage with one line
// that says what is wrong.
TScanOptions ParseScanOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace tervaline::cli
