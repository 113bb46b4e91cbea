// What the status line and the progress bar show: while a scan runs, the
// messages found so far, the share done and the time left; at its end, the
// count, how it ended and how long it took.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/InterfaceTexts.h"

namespace tervaline::ui {

inline constexpr int kFullBar = 1000;

struct TStatusView {
    std::string Line1;    // the part after the fixed "Status :" caption
    std::string Line2;    // its second part, behind Line1
    int Permille = 0;     // the bar, 0 to kFullBar
    std::string BarText;  // drawn on the bar; empty: none

    bool operator==(const TStatusView&) const = default;
};

// The status while a scan runs. Found: messages written so far; Store,
// Index and Count name the store of a folder being scanned (Count 1 for a
// single store: then Store is not shown).
struct TRunningStatus {
    std::uint64_t Found = 0;
    int Permille = 0;
    std::chrono::milliseconds Elapsed{0};
    std::string Store;
    int Index = 1;
    int Count = 1;
};

TStatusView RunningStatusView(const TRunningStatus& status, const TInterfaceTexts& texts);

// The time the rest of the scan will take at the pace so far; nothing
// until enough is done to tell.
std::optional<std::chrono::milliseconds> TimeLeft(int permille, std::chrono::milliseconds elapsed);

}  // namespace tervaline::ui
