#include "cli/ProgressBar.h"

#include <string>

namespace tervaline::cli {

namespace {
constexpr int kWidth = 40;
}

TProgressBar::TProgressBar(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}

void TProgressBar::Update(const engine::TScanProgress& progress) {
    if (!enabled_) return;
    const int permille = progress.Permille();
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
