// TFontCoverage: whether some font installed on this system has a glyph
// for every character of a text, so that a language file written for a
// script no font here covers falls back to the built-in texts instead of
// filling the window with empty boxes.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace tervaline::winapp {

class TFontCoverage {
public:
    // Only the calling thread may use it; the fonts are looked at once, on
    // the first text that is not plain ASCII.
    bool CanDraw(std::string_view utf8);

private:
    void Load();

    bool loaded_ = false;
    // Covered UTF-16 code units, as sorted ranges that do not touch.
    std::vector<std::pair<wchar_t, wchar_t>> ranges_;
};

}  // namespace tervaline::winapp
