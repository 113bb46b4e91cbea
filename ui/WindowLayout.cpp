#include "ui/WindowLayout.h"

#include <algorithm>
#include <numeric>

namespace tervaline::ui {

std::vector<int> ShareWidth(const std::vector<int>& wanted, int room) {
    const std::size_t count = wanted.size();
    std::vector<int> shares(count, 0);
    if (count == 0) return shares;
    const int items = static_cast<int>(count);
    const int total = std::accumulate(wanted.begin(), wanted.end(), 0);
    if (total <= room) {
        const int column = room / items;
        const bool columnsFit = std::all_of(wanted.begin(), wanted.end(), [&](int w) { return w <= column; });
        const int extra = (room - total) / items;
        for (std::size_t i = 0; i < count; ++i) shares[i] = columnsFit ? column : wanted[i] + extra;
        return shares;
    }
    // The largest level L with the sum of min(wanted, L) within the room.
    std::vector<int> sorted = wanted;
    std::sort(sorted.begin(), sorted.end());
    int left = room;
    int level = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int rest = items - static_cast<int>(i);
        if (sorted[i] * rest > left) {
            level = std::max(0, left / rest);
            break;
        }
        left -= sorted[i];
    }
    for (std::size_t i = 0; i < count; ++i) shares[i] = std::min(wanted[i], level);
    return shares;
}

}  // namespace tervaline::ui
