// TProgressMeter: thins a scan's positions to about one report per
// 1/Steps of the file. Each call reports at most once and moves the mark
// one step on, so after a jump over several steps the following calls
// report one by one until the mark has caught up.
#pragma once

#include <cstdint>
#include <functional>

namespace tervaline::engine {

class TProgressMeter {
public:
    using TReport = std::function<void(std::uint64_t position)>;

    // Steps must not be 0 (the caller refuses it in words).
    TProgressMeter(std::uint64_t fileSize, std::int32_t steps, TReport report);

    void Reach(std::uint64_t position) {
        if (position > mark_) Report(position);
    }

    // Positions up to the mark report nothing; the bulk search runs up to it.
    std::uint64_t Mark() const { return mark_; }

private:
    void Report(std::uint64_t position);

    std::uint64_t step_;
    std::uint64_t mark_ = 0;
    TReport report_;
};

}  // namespace tervaline::engine
