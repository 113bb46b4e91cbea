#include "engine/ScanVerdict.h"

namespace tervaline::engine {

TScanVerdict VerdictOf(const TScanOutcome& outcome) {
    if (!outcome.Started) return TScanVerdict::NotStarted;
    if (!outcome.FailureText.empty()) return TScanVerdict::Failed;
    // A stop that came after the search had reached the end lost nothing.
    if (outcome.ReachedEnd) return TScanVerdict::Completed;
    return outcome.StopRequested ? TScanVerdict::Stopped : TScanVerdict::Failed;
}

const char* VerdictName(TScanVerdict verdict) {
    switch (verdict) {
        case TScanVerdict::NotStarted: return "not started";
        case TScanVerdict::Failed: return "failed";
        case TScanVerdict::Stopped: return "stopped";
        case TScanVerdict::Completed: break;
    }
    return "completed";
}

bool HasLosses(const TScanOutcome& outcome) {
    return outcome.Unwritten > 0 || !outcome.Unreadable.empty() || !outcome.ReportFailure.empty();
}

}  // namespace tervaline::engine
