// Conversion between the program's 8-bit strings and the toolkit's Unicode
// strings. Code page 932 text is decoded as Shift_JIS; any other text is in
// the locale's own 8-bit encoding (UTF-8 on a usual Linux system).
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tervaline::components {

QString AnsiToQString(std::string_view text);
std::string QStringToAnsi(const QString& text);

}  // namespace tervaline::components
