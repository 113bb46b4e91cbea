// How the window sums up a scan, or a folder's scans, at the end: the
// status line and the bar (kept full behind the summary after a scan that
// ran through), then the boxes: the verdict when the scan did not start or
// ended early, the messages not written, and the notes, translated by kind.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/FoundMessage.h"
#include "engine/ScanSettings.h"
#include "ui/InterfaceTexts.h"
#include "ui/StatusView.h"
#include "ui/UserMessage.h"

namespace tervaline::ui {

// The messages an error box lists one by one; the rest it counts.
inline constexpr std::size_t kListedUnwritten = 20;

// One store's scan as it ended.
struct TFinishedScan {
    std::string StoreName;  // the store's file name, to tell the stores of a folder apart
    std::uint64_t StoreSize = 0;  // how wide offsets are written
    engine::TScanOutcome Outcome;
    // The first messages that could not be written, up to kListedUnwritten.
    std::vector<engine::TUnwrittenMessage> Unwritten;
    // How far the bar had come when it ended, 0 to kFullBar.
    int Permille = 0;
};

struct TScanSummary {
    TStatusView Status;
    std::vector<TUserMessage> Messages;  // in the order to show them
};

// Scans holds every scan that ran or was refused, in order; Elapsed is the
// time they took together.
TScanSummary SummaryOf(const std::vector<TFinishedScan>& scans, std::chrono::milliseconds elapsed,
                       const TInterfaceTexts& texts);

}  // namespace tervaline::ui
