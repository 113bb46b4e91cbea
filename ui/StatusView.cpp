#include "ui/StatusView.h"

#include <string>

#include "ui/DurationText.h"

namespace tervaline::ui {

namespace {

// Below this share, or this time, the pace says too little to promise a time.
constexpr int kLeastPermilleForEstimate = 10;
constexpr std::chrono::milliseconds kLeastTimeForEstimate{2000};

}  // namespace

std::optional<std::chrono::milliseconds> TimeLeft(int permille, std::chrono::milliseconds elapsed) {
    if (permille < kLeastPermilleForEstimate || permille >= kFullBar || elapsed < kLeastTimeForEstimate) {
        return std::nullopt;
    }
    const long long left = elapsed.count() * (kFullBar - permille) / permille;
    // Rounded up to the second: "0:00 left" while work remains would be a lie.
    return std::chrono::milliseconds((left + 999) / 1000 * 1000);
}

TStatusView RunningStatusView(const TRunningStatus& status, const TInterfaceTexts& texts) {
    TStatusView view;
    view.Permille = status.Permille;
    view.Line1 = FormatText(texts.FoundSoFar, {std::to_string(status.Found)});
    const std::string percent = std::to_string(status.Permille / 10);
    if (const auto left = TimeLeft(status.Permille, status.Elapsed)) {
        view.Line2 = FormatText(texts.TimeLeft, {percent, DurationText(*left)});
    } else {
        view.Line2 = FormatText(texts.PercentDone, {percent});
    }
    if (status.Count > 1) {
        view.BarText =
            FormatText(texts.StoreOfFolder, {status.Store, std::to_string(status.Index), std::to_string(status.Count)});
    }
    return view;
}

}  // namespace tervaline::ui
