#include "components/Font.h"

#include <QApplication>

#include <cmath>
#include <utility>

#include "components/AnsiText.h"
#include "platform/CodePage.h"

namespace tervaline::components {

namespace {

// Windows system colour indexes mapped to the palette role that plays the
// same part in the toolkit's look.
QPalette::ColorRole RoleOfSystemColor(std::uint32_t index) {
    switch (index) {
        case 1: case 4: case 10: case 11: return QPalette::Window;
        case 2: case 13: return QPalette::Highlight;
        case 3: return QPalette::Mid;
        case 5: return QPalette::Base;
        case 6: case 21: return QPalette::Shadow;
        case 9: case 14: return QPalette::HighlightedText;
        case 12: case 16: return QPalette::Dark;
        case 0: case 15: return QPalette::Button;
        case 17: return QPalette::PlaceholderText;
        case 18: return QPalette::ButtonText;
        case 20: return QPalette::Light;
        case 22: return QPalette::Midlight;
        case 23: return QPalette::ToolTipText;
        case 24: return QPalette::ToolTipBase;
        case 8: return QPalette::Text;
        default: return QPalette::WindowText;
    }
}

int PointSizeOf(const QFont& font) {
    if (font.pointSize() > 0) return font.pointSize();
    if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
    return 9;
}

}  // namespace

TFontAttributes DefaultFontAttributes() {
    const std::uint8_t charset = platform::ActiveCodePage() == platform::kCodePage932
                                     ? SHIFTJIS_CHARSET
                                     : DEFAULT_CHARSET;
    TFontAttributes result = FromQFont(QApplication::font(), clWindowText, charset);
    result.Style = 0;
    return result;
}

QFont ToQFont(const TFontAttributes& font, const QFont& base) {
    QFont result(base);
    if (!font.Name.empty()) result.setFamilies({AnsiToQString(font.Name)});
    if (font.Size > 0) result.setPointSize(font.Size);
    result.setBold((font.Style & fsBold) != 0);
    result.setItalic((font.Style & fsItalic) != 0);
    result.setUnderline((font.Style & fsUnderline) != 0);
    result.setStrikeOut((font.Style & fsStrikeOut) != 0);
    return result;
}

QColor ToQColor(TColor color, const QPalette& palette) {
    if ((color & kSystemColorFlag) != 0) {
        return palette.color(RoleOfSystemColor(color & ~kSystemColorFlag));
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QColor ToQColor(TColor color) { return ToQColor(color, QApplication::palette()); }

TFontAttributes FromQFont(const QFont& font, TColor color, std::uint8_t charset) {
    TFontAttributes result;
    result.Name = QStringToAnsi(font.family());
    result.Size = PointSizeOf(font);
    result.Style = static_cast<std::uint8_t>((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                                             (font.underline() ? fsUnderline : 0) |
                                             (font.strikeOut() ? fsStrikeOut : 0));
    result.Color = color;
    result.Charset = charset;
    return result;
}

}  // namespace tervaline::components
