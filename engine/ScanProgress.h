// How far a scan has come: the work done over all the work, summed over
// every pass its mode makes over the store, so that a bar fills once.
#pragma once

#include <cstdint>

namespace tervaline::engine {

struct TScanProgress {
    std::uint64_t Done = 0;
    std::uint64_t Total = 1;  // never 0

    // The share done in thousandths, 0 to 1000.
    int Permille() const {
        if (Done >= Total) return 1000;
        // Done * 1000 would overflow past 2^54 bytes; dividing the total
        // first rounds up, and the bar is full only when the scan is.
        const std::uint64_t share =
            Total > (std::uint64_t{1} << 50) ? Done / (Total / 1000) : Done * 1000 / Total;
        return share > 999 ? 999 : static_cast<int>(share);
    }
};

}  // namespace tervaline::engine
