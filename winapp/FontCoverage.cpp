#include "winapp/FontCoverage.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/win/WideText.h"
#include "winapp/OwnedHandle.h"

namespace tervaline::winapp {

namespace {

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
    // Vertical variants ("@Face") hold the same glyphs as their face.
    if (font->lfFaceName[0] != L'@') reinterpret_cast<std::set<std::wstring>*>(faces)->insert(font->lfFaceName);
    return 1;
}

}  // namespace

bool TFontCoverage::CanDraw(std::string_view utf8) {
    // Every system draws ASCII; most texts need no look at the fonts.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return true;
    }
    if (!loaded_) Load();
    for (const wchar_t unit : platform::WideText(utf8)) {
        // Line breaks and the halves of a character beyond the first plane,
        // which the fonts' tables do not list, are taken as drawable.
        if (unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF)) continue;
        const auto range = std::upper_bound(ranges_.begin(), ranges_.end(), unit,
                                            [](wchar_t u, const auto& r) { return u < r.first; });
        if (range == ranges_.begin() || std::prev(range)->second < unit) return false;
    }
    return true;
}

void TFontCoverage::Load() {
    loaded_ = true;
    HDC screen = ::GetDC(nullptr);
    TMemoryDC dc(::CreateCompatibleDC(screen));
    ::ReleaseDC(nullptr, screen);
    std::set<std::wstring> faces;
    LOGFONTW every{};
    every.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(dc.Get(), &every, &AddFamily, reinterpret_cast<LPARAM>(&faces), 0);

    std::vector<std::pair<wchar_t, wchar_t>> ranges;
    for (const std::wstring& face : faces) {
        LOGFONTW description{};
        description.lfCharSet = DEFAULT_CHARSET;
        face.copy(description.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
        TFont font(::CreateFontIndirectW(&description));
        if (!font) continue;
        const HGDIOBJ before = ::SelectObject(dc.Get(), font.Get());
        const DWORD size = ::GetFontUnicodeRanges(dc.Get(), nullptr);
        if (size >= sizeof(GLYPHSET)) {
            std::vector<unsigned char> bytes(size);
            auto* glyphs = reinterpret_cast<GLYPHSET*>(bytes.data());
            if (::GetFontUnicodeRanges(dc.Get(), glyphs) != 0) {
                for (DWORD i = 0; i < glyphs->cRanges; ++i) {
                    const WCRANGE& range = glyphs->ranges[i];
                    if (range.cGlyphs == 0) continue;
                    ranges.emplace_back(range.wcLow, static_cast<wchar_t>(range.wcLow + range.cGlyphs - 1));
                }
            }
        }
        ::SelectObject(dc.Get(), before);
    }
    std::sort(ranges.begin(), ranges.end());
    for (const auto& range : ranges) {
        if (!ranges_.empty() && range.first <= ranges_.back().second + 1) {
            ranges_.back().second = std::max(ranges_.back().second, range.second);
        } else {
            ranges_.push_back(range);
        }
    }
}

}  // namespace tervaline::winapp
