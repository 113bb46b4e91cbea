// TProgressMeter: thins a scan's positions to about one report per
// 1/Steps of the file in each pass. Each call reports at most once and
// moves the mark one step on, so after a jump over several steps the
// following calls report one by one until the mark has caught up. A mode
// that reads the store twice (Deep mode: the index, then the carving)
// begins the second pass with NextPass; the reports count both passes, so
// that the share done covers the whole scan.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/ScanProgress.h"

namespace tervaline::engine {

class TProgressMeter {
public:
    using TReport = std::function<void(const TScanProgress& progress)>;

    // Steps must be positive, Passes at least 1.
    TProgressMeter(std::uint64_t fileSize, std::int32_t steps, unsigned passes, TReport report);

    // Position is a place in the store, in the pass under way.
    void Reach(std::uint64_t position) {
        if (position > mark_) Report(position);
    }

    // Positions up to the mark report nothing; the bulk search runs up to it.
    std::uint64_t Mark() const { return mark_; }

    // Positions start again from 0, counted after the passes before.
    void NextPass();

    // The whole scan done: reported once more, whatever was reported last.
    void Finish();

private:
    void Report(std::uint64_t position);

    std::uint64_t fileSize_;
    std::uint64_t step_;
    unsigned passes_;
    unsigned pass_ = 0;
    std::uint64_t mark_ = 0;
    TReport report_;
};

}  // namespace tervaline::engine
