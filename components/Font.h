// TFontAttributes: a font as the language file describes it (face, size in
// points, style bits, colour, character set), and its mapping onto the
// toolkit's QFont and QColor.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ProfileFileValues.h"

namespace tervaline::components {

// 0x00BBGGRR, or kSystemColorFlag plus a system colour index.
using TColor = std::uint32_t;
inline constexpr TColor kSystemColorFlag = 0x80000000u;
inline constexpr TColor clWindowText = kSystemColorFlag + 8;

enum TFontStyle : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SHIFTJIS_CHARSET = 128;

struct TFontAttributes {
    std::string Name;  // face name, 8-bit in the active code page
    int Size = 0;      // points
    std::uint8_t Style = 0;
    TColor Color = clWindowText;
    std::uint8_t Charset = DEFAULT_CHARSET;

    bool operator==(const TFontAttributes&) const = default;
};

// The font a new font object starts with: the application's default face
// and size, no style, the window-text colour, and the character set of the
// system (SHIFTJIS_CHARSET under code page 932, else DEFAULT_CHARSET).
TFontAttributes DefaultFontAttributes();

using platform::CharsetFromIdentifier;
using platform::CharsetIdentifier;

// The toolkit picks glyphs by Unicode, so the character set has no
// counterpart in QFont and is not carried over.
QFont ToQFont(const TFontAttributes& font, const QFont& base = QFont());
// A system colour takes its value from Palette.
QColor ToQColor(TColor color, const QPalette& palette);
QColor ToQColor(TColor color);

// Face, size and style of a QFont, with the given colour and character set.
TFontAttributes FromQFont(const QFont& font, TColor color, std::uint8_t charset);

}  // namespace tervaline::components
