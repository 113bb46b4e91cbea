#include "engine/ProgressMeter.h"

#include <cassert>
#include <utility>

namespace tervaline::engine {

TProgressMeter::TProgressMeter(std::uint64_t fileSize, std::int32_t steps, TReport report)
    : step_(0), report_(std::move(report)) {
    assert(steps != 0);
    // A negative count of steps makes a step larger than any file: one report.
    const std::int64_t quotient = static_cast<std::int64_t>(fileSize) / steps;
    step_ = static_cast<std::uint64_t>(quotient);
}

void TProgressMeter::Report(std::uint64_t position) {
    mark_ += step_;
    if (report_) report_(position);
}

}  // namespace tervaline::engine
