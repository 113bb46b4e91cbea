// A one-line progress bar for a terminal, redrawn in place.
#pragma once

#include <cstdio>

#include "engine/ScanProgress.h"

namespace tervaline::cli {

class TProgressBar {
public:
    // Draws nothing unless Enabled (standard error is a terminal).
    TProgressBar(std::FILE* out, bool enabled);

    void Update(const engine::TScanProgress& progress);
    // Clears the bar so that an ordinary line can be printed.
    void Clear();

private:
    std::FILE* out_;
    bool enabled_;
    int lastPermille_ = -1;
    bool shown_ = false;
};

}  // namespace tervaline::cli
