// UTF-8 read by the program's own reader rather than the system's, so that
// it reads the same on every system and gives well-formed UTF-8 only: the
// C library's iconv passes code points past U+10FFFF and five- and six-byte
// forms through, which no reader of the report takes.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::platform {

// Whether Charset names UTF-8 ("UTF-8", "utf8", in any case).
bool IsUtf8Name(std::string_view charset);

// Whether Bytes is well-formed UTF-8 throughout: no overlong forms, no
// surrogates, nothing past U+10FFFF, no character cut short.
bool IsWellFormedUtf8(std::string_view bytes);

// Appends Bytes to Out, each byte that is no part of a well-formed UTF-8
// character given as U+FFFD; a character the end of Bytes cuts short gives
// one.
void AppendUtf8Text(std::string_view bytes, std::string& out);

}  // namespace tervaline::platform
