#include "engine/ProgressMeter.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace tervaline::engine {

TProgressMeter::TProgressMeter(std::uint64_t fileSize, std::int32_t steps, unsigned passes, TReport report)
    : fileSize_(fileSize), step_(fileSize / static_cast<std::uint64_t>(steps)), passes_(passes),
      report_(std::move(report)) {
    assert(steps > 0 && passes >= 1);
}

void TProgressMeter::NextPass() {
    assert(pass_ + 1 < passes_);
    if (pass_ + 1 < passes_) ++pass_;
    mark_ = 0;
}

void TProgressMeter::Report(std::uint64_t position) {
    mark_ += step_;
    if (!report_) return;
    const std::uint64_t within = std::min(position, fileSize_);
    report_(TScanProgress{pass_ * fileSize_ + within, std::max<std::uint64_t>(1, passes_ * fileSize_)});
}

void TProgressMeter::Finish() {
    if (report_) report_(TScanProgress{std::max<std::uint64_t>(1, passes_ * fileSize_),
                                       std::max<std::uint64_t>(1, passes_ * fileSize_)});
}

}  // namespace tervaline::engine
