// TWindowFonts: the language file's font made for one screen resolution,
// at its own size and at each smaller size a caption that does not fit is
// drawn in, kept while the window shows them.
#pragma once

#include <windows.h>

#include <map>

#include "ui/WindowFont.h"
#include "winapp/OwnedHandle.h"

namespace tervaline::winapp {

// Smaller than this, at 96 dots per inch, a caption is no longer legible
// and is left as it is.
inline constexpr int kSmallestCaptionPixels = 8;

class TWindowFonts {
public:
    TWindowFonts(const ui::TWindowFont& font, int dpi);

    // The font's own height in pixels at the resolution.
    int BasePixels() const { return basePixels_; }
    int SmallestPixels() const;
    // The font Pixels high, made on first use.
    HFONT At(int pixels);
    HFONT Base() { return At(basePixels_); }
    // The text colour the language file asks for.
    COLORREF TextColor() const;

private:
    ui::TWindowFont font_;
    int dpi_;
    int basePixels_;
    std::map<int, TFont> made_;
};

// Width and height Text takes in Font, an '&' access-key mark not counted
// unless NoPrefix.
SIZE TextExtent(HFONT font, const std::wstring& text, bool noPrefix = false);

}  // namespace tervaline::winapp
