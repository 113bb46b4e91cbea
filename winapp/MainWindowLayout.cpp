// Where each of the window's controls stands: the layout is drawn for a
// 96 dpi screen, 382 by 257 pixels inside the frame, and scaled for the
// screen the window is on. A caption wider than the room its control has
// is drawn smaller, never cut (CaptionFit.h).
#include "winapp/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "ui/WindowLayout.h"
#include "winapp/CaptionFit.h"

namespace tervaline::winapp {

namespace {

using ui::kControlGap;
using ui::kModeFrameWidth;
using ui::kModeInset;
using ui::kModeItemGap;
using ui::kModeRows;
using ui::TModeRows;
using ui::kStatusGap;
// Where the mode frame stands.
constexpr int kModeFrameLeft = 15;
constexpr int kModeFrameTop = 134;
// Room a button's bevel and margins take from its caption, either side.
constexpr int kButtonMargin = 5;
// The right edges the trash separator and the buffer caption are aligned to.
constexpr int kDelimiterRight = 291;
constexpr int kBufferLabelRight = 296;
constexpr int kStatusTop = 186;
constexpr int kStatusLine1Left = 60;
constexpr int kBarLeft = 16;
constexpr int kBarWidth = 353;
constexpr int kStartLeft = 136;

void SetFont(HWND control, HFONT font) {
    if (reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)) != font) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void Move(HWND control, int left, int top, int width, int height) {
    ::SetWindowPos(control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int TMainWindow::Scaled(int pixelsAt96) const { return ::MulDiv(pixelsAt96, dpi_, USER_DEFAULT_SCREEN_DPI); }

int TMainWindow::CaptionWidth(TControlId id, HFONT font) const {
    HWND control = Control(id);
    std::wstring text = TextOf(id);
    if (id == kOpenFolderLink) text = text.size() > 7 ? text.substr(3, text.size() - 7) : std::wstring();
    const bool noPrefix = id == kOpenFolderLink || (::GetWindowLongPtrW(control, GWL_STYLE) & SS_NOPREFIX) != 0;
    return TextExtent(font, text, noPrefix).cx;
}

void TMainWindow::LayOutLabel(TControlId id, int left, int top, int room) {
    const int pixels = FittedPixels(fonts_->BasePixels(), fonts_->SmallestPixels(),
                                    [&](int p) { return CaptionWidth(id, fonts_->At(p)) <= room; });
    const HFONT font = fonts_->At(pixels);
    SetFont(Control(id), font);
    const int height = TextExtent(font, L"", false).cy;
    Move(Control(id), left, top, std::min(CaptionWidth(id, font) + 1, std::max(room, 1)), height);
}

void TMainWindow::LayOutRightAligned(TControlId id, int right, int top, int room) {
    LayOutLabel(id, 0, top, room);
    RECT bounds;
    ::GetWindowRect(Control(id), &bounds);
    const int width = bounds.right - bounds.left;
    Move(Control(id), right - width, top, width, bounds.bottom - bounds.top);
}

void TMainWindow::LayOutButton(TControlId id, int left, int top, int width, int height) {
    TWindowFonts& fonts = id == kCloseButton ? *closeFonts_ : *fonts_;
    const int room = width - 2 * Scaled(kButtonMargin);
    const int pixels = FittedPixels(fonts.BasePixels(), fonts.SmallestPixels(),
                                    [&](int p) { return CaptionWidth(id, fonts.At(p)) <= room; });
    SetFont(Control(id), fonts.At(pixels));
    Move(Control(id), left, top, width, height);
}

void TMainWindow::LayOut() {
    const HFONT base = fonts_->Base();
    for (const TControlId box : {kStoreBox, kOutputBox, kTrashBase, kTrashBox, kBufferBox, kProgressBar}) {
        SetFont(Control(box), base);
    }
    const int boxHeight = Scaled(20);
    Move(Control(kStoreBox), Scaled(16), Scaled(24), Scaled(265), boxHeight);
    Move(Control(kOutputBox), Scaled(16), Scaled(64), Scaled(265), boxHeight);
    Move(Control(kTrashBase), Scaled(16), Scaled(104), Scaled(265), boxHeight);
    Move(Control(kTrashBox), Scaled(296), Scaled(104), Scaled(73), boxHeight);
    // A drop-down box's height is its list's; its field follows its font.
    Move(Control(kBufferBox), Scaled(301), Scaled(149), Scaled(48), Scaled(200));
    Move(Control(kProgressBar), Scaled(kBarLeft), Scaled(202), Scaled(kBarWidth), Scaled(16));

    LayOutButton(kBrowseStore, Scaled(288), Scaled(20), Scaled(83), Scaled(25));
    LayOutButton(kBrowseOutput, Scaled(288), Scaled(60), Scaled(83), Scaled(25));
    LayOutButton(kStartButton, Scaled(kStartLeft), Scaled(226), Scaled(75), Scaled(25));
    LayOutButton(kAbortButton, Scaled(216), Scaled(226), Scaled(75), Scaled(25));
    LayOutButton(kCloseButton, Scaled(296), Scaled(226), Scaled(75), Scaled(25));

    LayOutLabel(kStoreLabel, Scaled(16), Scaled(8), Scaled(288 - kControlGap - 16));
    LayOutLabel(kOutputLabel, Scaled(16), Scaled(48), Scaled(288 - kControlGap - 16));
    LayOutLabel(kTrashLabel, Scaled(16), Scaled(88), Scaled(265));
    LayOutRightAligned(kTrashDelimiter, Scaled(kDelimiterRight), Scaled(107), Scaled(kDelimiterRight - 281));
    LayOutRightAligned(kBufferLabel, Scaled(kBufferLabelRight), Scaled(152),
                       Scaled(kBufferLabelRight - (kModeFrameLeft + kModeFrameWidth + kControlGap)));
    LayOutLabel(kBufferUnit, Scaled(352), Scaled(152), Scaled(382 - kControlGap - 352));
    LayOutLabel(kOpenFolderLink, Scaled(16), Scaled(231), Scaled(kStartLeft - kControlGap - 16));
    LayOutModeChoice();
    LayOutStatusLine();
    RefreshToolTips();
    ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void TMainWindow::LayOutModeChoice() {
    const TControlId items[] = {kShallowMode, kBottomMode, kDeepMode};
    constexpr int count = static_cast<int>(std::size(items));
    // A radio button's mark and the gap after it.
    const int mark = ::GetSystemMetricsForDpi(SM_CXMENUCHECK, static_cast<UINT>(dpi_)) + Scaled(4);
    RECT bufferLabel;
    ::GetWindowRect(Control(kBufferLabel), &bufferLabel);
    ::MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&bufferLabel), 2);
    const int left = Scaled(kModeFrameLeft);
    // The frame may grow to the right into the room the buffer caption leaves.
    const int widest =
        std::max(Scaled(kModeFrameWidth), static_cast<int>(bufferLabel.left) - Scaled(kControlGap) - left);
    const auto columnsOf = [](int rows) { return (count + rows - 1) / rows; };
    // Widths the columns need, the items filling the rows one after another.
    const auto columnWidths = [&](int rows, int pixels) {
        std::vector<int> widths(static_cast<std::size_t>(columnsOf(rows)), 0);
        for (int i = 0; i < count; ++i) {
            int& width = widths[static_cast<std::size_t>(i % columnsOf(rows))];
            width = std::max(width, CaptionWidth(items[i], fonts_->At(pixels)) + mark);
        }
        return widths;
    };
    const auto frameWidth = [&](const std::vector<int>& widths) {
        return std::accumulate(widths.begin(), widths.end(), 0) +
               Scaled(kModeItemGap) * (static_cast<int>(widths.size()) - 1) + 2 * Scaled(kModeInset);
    };
    // One row while the items fit it in the window's font; else the number
    // of rows that needs the least shrinking, the fewer on a tie.
    int rows = 1;
    int bestPixels = 0;
    for (int candidate = 1; candidate <= static_cast<int>(std::size(kModeRows)); ++candidate) {
        const int pixels = FittedPixels(fonts_->BasePixels(), fonts_->SmallestPixels(),
                                        [&](int p) { return frameWidth(columnWidths(candidate, p)) <= widest; });
        if (pixels > bestPixels) {
            bestPixels = pixels;
            rows = candidate;
        }
        if (pixels == fonts_->BasePixels()) break;
    }
    const std::vector<int> wanted = columnWidths(rows, bestPixels);
    const int width = std::clamp(frameWidth(wanted), Scaled(kModeFrameWidth), widest);
    const TModeRows& layout = kModeRows[rows - 1];
    Move(Control(kModeFrame), left, Scaled(kModeFrameTop), width, Scaled(layout.FrameHeight));
    const int gaps = Scaled(kModeItemGap) * (static_cast<int>(wanted.size()) - 1);
    const std::vector<int> shares = ui::ShareWidth(wanted, width - 2 * Scaled(kModeInset) - gaps);
    for (int i = 0; i < count; ++i) {
        const int column = i % columnsOf(rows);
        int itemLeft = left + Scaled(kModeInset);
        for (int c = 0; c < column; ++c) itemLeft += shares[static_cast<std::size_t>(c)] + Scaled(kModeItemGap);
        SetFont(Control(items[i]), fonts_->At(bestPixels));
        Move(Control(items[i]), itemLeft, Scaled(kModeFrameTop + layout.Top + i / columnsOf(rows) * layout.Height),
             shares[static_cast<std::size_t>(column)], Scaled(layout.Height));
    }
    // The frame's own font only draws its title.
    const int titlePixels = FittedPixels(fonts_->BasePixels(), fonts_->SmallestPixels(), [&](int p) {
        return CaptionWidth(kModeFrame, fonts_->At(p)) + 4 * Scaled(kModeInset) <= width;
    });
    SetFont(Control(kModeFrame), fonts_->At(titlePixels));
}

void TMainWindow::LayOutStatusLine() {
    // The status caption may take up to half of the line.
    LayOutLabel(kStatusCaption, Scaled(16), Scaled(kStatusTop), Scaled(kBarWidth / 2));
    RECT caption;
    ::GetWindowRect(Control(kStatusCaption), &caption);
    ::MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&caption), 2);
    // The text keeps its place unless its caption has grown into it.
    const int left = std::max(Scaled(kStatusLine1Left), static_cast<int>(caption.right) + Scaled(kStatusGap));
    const int right = Scaled(kBarLeft + kBarWidth);
    const bool second = ::GetWindowTextLengthW(Control(kStatusLine2)) > 0;
    const auto widthAt = [&](int p) {
        const int first = CaptionWidth(kStatusLine1, fonts_->At(p));
        return second ? first + Scaled(kStatusGap) + CaptionWidth(kStatusLine2, fonts_->At(p)) : first;
    };
    const int pixels =
        FittedPixels(fonts_->BasePixels(), fonts_->SmallestPixels(), [&](int p) { return left + widthAt(p) <= right; });
    const HFONT font = fonts_->At(pixels);
    const int height = TextExtent(font, L"", false).cy;
    const int first = CaptionWidth(kStatusLine1, font);
    SetFont(Control(kStatusLine1), font);
    SetFont(Control(kStatusLine2), font);
    Move(Control(kStatusLine1), left, Scaled(kStatusTop), std::min(first + 1, right - left), height);
    const int secondLeft = std::min(left + first + Scaled(kStatusGap), right);
    Move(Control(kStatusLine2), secondLeft, Scaled(kStatusTop), right - secondLeft, height);
}

}  // namespace tervaline::winapp
