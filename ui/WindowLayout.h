// The window's layout facts that both windows draw by, in pixels of a
// 96 dpi screen: the room kept between controls and how the mode frame
// lays out its items.
#pragma once

#include <vector>

namespace tervaline::ui {

// Least room kept between two controls side by side.
inline constexpr int kControlGap = 4;
// The gap the status line keeps between its two parts.
inline constexpr int kStatusGap = 10;
// The mode frame's width in the layout; it grows, never shrinks, when its
// items need more room.
inline constexpr int kModeFrameWidth = 202;
// Margin inside the mode frame, and room between two of its items, so that
// one item's mark never touches the text before it.
inline constexpr int kModeInset = 4;
inline constexpr int kModeItemGap = 6;
// The items stand in one row below the frame's title. Those that need more
// room than one row gives stand in two lower ones, and the frame reaches
// down to just above the status line.
struct TModeRows {
    int FrameHeight;
    int Top;
    int Height;
};
inline constexpr TModeRows kModeRows[] = {{41, 16, 20}, {49, 17, 15}};

// Room shared out among items that want the given widths, in order. When
// everything fits, each item gets an equal column if all fit one, or else
// its width and an equal part of what is left; when it does not, the
// narrower items keep their widths and the wider share the rest equally.
std::vector<int> ShareWidth(const std::vector<int>& wanted, int room);

}  // namespace tervaline::ui
