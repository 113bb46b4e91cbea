#include "engine/ScanSettings.h"

namespace tervaline::engine {

std::string DescribeUnwritten(const TScanOutcome& outcome) {
    if (outcome.Unwritten == 0) return std::string();
    const std::string count = std::to_string(outcome.Unwritten);
    if (outcome.Unwritten == 1) {
        return "1 message could not be written, because: " + outcome.FirstUnwrittenReason;
    }
    return count + " messages could not be written; the first because: " + outcome.FirstUnwrittenReason;
}

}  // namespace tervaline::engine
