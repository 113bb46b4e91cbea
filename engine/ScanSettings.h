// What a scan is asked to do and what it did: one settings value in, one
// outcome value out, shared by the command line, the window, the tests,
// the benchmark and the fuzzer.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ScanMode.h"

namespace tervaline::engine {

struct TScanSettings {
    std::string Source;
    // A folder without a drive part or leading separator is taken inside
    // the store's folder.
    std::string Output;
    std::string Trash = "trash";  // a name inside Output; empty means "trash"
    TScanMode Mode = TScanMode::Shallow;
    std::int32_t BufferSize = 10 * 1024;  // bytes
    std::int32_t ProgressSteps = 35;
    // The salvage report (report.csv and report.json in Output); the front
    // ends ask for it, the engine's own users mostly do not.
    bool Report = false;
    // Also gather the output folder's messages into this mbox file.
    std::string Mbox;
    // The code page raw 8-bit header bytes are read in, for the report: a
    // number (932) or a name the system's iconv knows.
    std::string CodePage = "932";
};

struct TScanOutcome {
    // Why the scan ended early; empty when it ran to its end or to a stop.
    std::string FailureText;
    std::uint64_t Found = 0;      // message files written
    std::uint64_t Unwritten = 0;  // chains carved but not written
    std::string FirstUnwrittenReason;
    // Every chain up to the end of the store was carved and handed on to be
    // written: false after a stop that came first, also when no failure.
    bool ReachedEnd = false;
    // Why the report or the mbox file could not be written; empty when
    // they were, or none was asked for.
    std::string ReportFailure;
};

// The sentence that says how many messages could not be written and why
// the first could not; empty when every message was written.
std::string DescribeUnwritten(const TScanOutcome& outcome);

}  // namespace tervaline::engine
