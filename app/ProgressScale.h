// TProgressScale: maps 64-bit file positions onto a progress bar that only
// counts in int, halving the scale until the file size fits.
#pragma once

#include <climits>
#include <cstdint>

namespace tervaline::app {

class TProgressScale {
public:
    TProgressScale() = default;
    explicit TProgressScale(std::uint64_t maximum) {
        while ((maximum >> shift_) > static_cast<std::uint64_t>(INT_MAX)) ++shift_;
        // A bar with a maximum of 0 shows a busy animation instead of an
        // empty bar; an empty file has nothing to show either way.
        maximum_ = maximum == 0 ? 1 : static_cast<int>(maximum >> shift_);
    }

    int Maximum() const { return maximum_; }
    int Position(std::uint64_t position) const {
        const std::uint64_t scaled = position >> shift_;
        return scaled > static_cast<std::uint64_t>(maximum_) ? maximum_ : static_cast<int>(scaled);
    }

private:
    int shift_ = 0;
    int maximum_ = 0;
};

}  // namespace tervaline::app
