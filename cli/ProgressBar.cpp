#include "cli/ProgressBar.h"

#include <algorithm>
#include <string>

namespace tervaline::cli {

namespace {
constexpr int kWidth = 40;
}

TProgressBar::TProgressBar(std::FILE* out, bool enabled, std::uint64_t total)
    : out_(out), enabled_(enabled), total_(total) {}

void TProgressBar::Update(std::uint64_t position) {
    if (!enabled_) return;
    const int permille = total_ == 0 ? 1000 : static_cast<int>(std::min<std::uint64_t>(position, total_) * 1000 / total_);
    if (permille == lastPermille_ && shown_) return;
    lastPermille_ = permille;
    const int filled = permille * kWidth / 1000;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(out_, "\r[%s] %3d.%d%%", bar.c_str(), permille / 10, permille % 10);
    std::fflush(out_);
    shown_ = true;
}

void TProgressBar::Clear() {
    if (!enabled_ || !shown_) return;
    std::fprintf(out_, "\r%*s\r", kWidth + 10, "");
    std::fflush(out_);
    shown_ = false;
}

}  // namespace tervaline::cli
