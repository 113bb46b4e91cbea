// The window's font as the language file describes it, in values every
// toolkit can take: a face name in UTF-8, a size in points, style bits, a
// colour and a Windows character set number.
#pragma once

#include <cstdint>
#include <string>

namespace tervaline::ui {

// 0x00BBGGRR, or kSystemColorFlag plus a system colour index.
using TColorValue = std::uint32_t;
inline constexpr TColorValue kSystemColorFlag = 0x80000000u;
inline constexpr TColorValue kWindowTextColor = kSystemColorFlag + 8;

inline constexpr std::uint8_t kBoldStyle = 1;
inline constexpr std::uint8_t kItalicStyle = 2;
inline constexpr std::uint8_t kUnderlineStyle = 4;
inline constexpr std::uint8_t kStrikeOutStyle = 8;

inline constexpr std::uint8_t kDefaultCharset = 1;
inline constexpr std::uint8_t kShiftJisCharset = 128;

struct TWindowFont {
    std::string Face = "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ Ｐゴシック
    int Points = 9;
    std::uint8_t Style = 0;
    TColorValue Color = kWindowTextColor;
    std::uint8_t Charset = kShiftJisCharset;

    bool operator==(const TWindowFont&) const = default;
};

}  // namespace tervaline::ui
