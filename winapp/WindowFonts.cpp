#include "winapp/WindowFonts.h"

#include <algorithm>
#include <string>

#include "platform/win/WideText.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

TWindowFonts::TWindowFonts(const ui::TWindowFont& font, int dpi)
    : font_(font), dpi_(dpi), basePixels_(::MulDiv(font.Points > 0 ? font.Points : 9, dpi, 72)) {}

int TWindowFonts::SmallestPixels() const { return ::MulDiv(kSmallestCaptionPixels, dpi_, 96); }

HFONT TWindowFonts::At(int pixels) {
    TFont& made = made_[pixels];
    if (made) return made.Get();
    LOGFONTW description{};
    description.lfHeight = -pixels;
    description.lfWeight = (font_.Style & ui::kBoldStyle) != 0 ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (font_.Style & ui::kItalicStyle) != 0;
    description.lfUnderline = (font_.Style & ui::kUnderlineStyle) != 0;
    description.lfStrikeOut = (font_.Style & ui::kStrikeOutStyle) != 0;
    description.lfCharSet = font_.Charset;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = platform::WideText(font_.Face);
    // The field holds 31 characters and the terminating zero.
    face.copy(description.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    made.Reset(::CreateFontIndirectW(&description));
    if (!made) ThrowLastError("CreateFontIndirectW");
    return made.Get();
}

COLORREF TWindowFonts::TextColor() const {
    if ((font_.Color & ui::kSystemColorFlag) != 0) {
        return ::GetSysColor(static_cast<int>(font_.Color & ~ui::kSystemColorFlag));
    }
    return static_cast<COLORREF>(font_.Color & 0x00FFFFFFu);
}

SIZE TextExtent(HFONT font, const std::wstring& text, bool noPrefix) {
    HDC dc = ::GetDC(nullptr);
    const HGDIOBJ before = ::SelectObject(dc, font);
    RECT bounds{0, 0, 0, 0};
    // An empty text still takes a line's height.
    const std::wstring measured = text.empty() ? std::wstring(L" ") : text;
    ::DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &bounds,
                DT_CALCRECT | DT_SINGLELINE | (noPrefix ? DT_NOPREFIX : 0));
    ::SelectObject(dc, before);
    ::ReleaseDC(nullptr, dc);
    return {text.empty() ? 0 : bounds.right - bounds.left, bounds.bottom - bounds.top};
}

}  // namespace tervaline::winapp
