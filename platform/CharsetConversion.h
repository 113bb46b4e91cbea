// Text in a charset read into UTF-8 by the system's own converters: the C
// library's iconv on POSIX, the code pages of MultiByteToWideChar on
// Windows. Charsets are named as iconv names them ("CP932", "EUC-JP-MS",
// "ISO-8859-2", "KOI8-R"); Windows reads each name in the code page of
// the same charset. Either way each byte the charset cannot read gives
// U+FFFD, so that one bad byte costs one character, and a character cut
// short by the end of the text gives one.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::platform {

// U+FFFD, the character that stands for bytes no charset reads.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Whether the system reads text in Charset. Safe to call from any thread.
bool IsKnownCharset(std::string_view charset);

// Appends Bytes, read in Charset, to Out as UTF-8; false, and Out as it
// was, when the system does not know the charset. Safe to call from any
// thread.
bool AppendConvertedText(std::string_view charset, std::string_view bytes, std::string& out);

// The charset name of the code page a user names: a number N stands for
// "CPN" (932 for CP932), any other name is taken as it is. Empty when the
// system cannot read it into UTF-8.
inline std::string CodePageCharset(const std::string& name) {
    if (name.empty()) return {};
    const bool number = name.find_first_not_of("0123456789") == std::string::npos;
    std::string charset = number ? "CP" + name : name;
    return IsKnownCharset(charset) ? charset : std::string();
}

}  // namespace tervaline::platform
