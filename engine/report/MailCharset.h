// The charset a message names, read the way mail programs read it (a
// Shift_JIS label as Windows' CP932, Latin-1 as Windows-1252), and text in
// it as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// Appends Bytes, written in the charset Label names (an RFC 2231 language
// suffix "*ja" allowed), to Out as UTF-8. A charset nobody knows gives its
// ASCII bytes, and U+FFFD for each other byte.
void AppendCharsetText(std::string_view label, std::string_view bytes, std::string& out);

// Whether two labels name the same charset, so that text split between
// them is one text.
bool SameCharset(std::string_view a, std::string_view b);

// Whether Bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

}  // namespace tervaline::engine
