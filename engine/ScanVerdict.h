// How a scan ended, in one word, from its outcome: the one rule the report
// head, the command line's exit status and both windows go by.
#pragma once

#include "engine/ScanSettings.h"

namespace tervaline::engine {

enum class TScanVerdict {
    NotStarted,  // refused before the store was read; nothing written
    Failed,      // ended early on an error
    Stopped,     // a stop came before the end of the store
    Completed,   // the whole store was searched
};

TScanVerdict VerdictOf(const TScanOutcome& outcome);

// "not started", "failed", "stopped" or "completed".
const char* VerdictName(TScanVerdict verdict);

// Whether mail the scan found or should have found is missing from what it
// wrote: messages not written, parts of the store the disk could not read,
// a report or mbox file that could not be written.
bool HasLosses(const TScanOutcome& outcome);

}  // namespace tervaline::engine
