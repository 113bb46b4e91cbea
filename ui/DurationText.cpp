#include "ui/DurationText.h"

#include <algorithm>
#include <cstdio>

namespace tervaline::ui {

std::string DurationText(std::chrono::milliseconds duration) {
    const long long seconds = std::max<long long>(0, duration.count()) / 1000;
    char text[32];
    if (seconds < 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    }
    return text;
}

}  // namespace tervaline::ui
