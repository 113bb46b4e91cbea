// A one-line progress bar for a terminal, redrawn in place.
#pragma once

#include <cstdint>
#include <cstdio>

namespace tervaline::cli {

class TProgressBar {
public:
    // Draws nothing unless Enabled (standard error is a terminal).
    TProgressBar(std::FILE* out, bool enabled, std::uint64_t total);

    void Update(std::uint64_t position);
    // Clears the bar so that an ordinary line can be printed.
    void Clear();

private:
    std::FILE* out_;
    bool enabled_;
    std::uint64_t total_;
    int lastPermille_ = -1;
    bool shown_ = false;
};

}  // namespace tervaline::cli
