// Bytes in a charset the system's iconv knows, read into UTF-8, each byte
// it cannot read given as U+FFFD so that one bad byte costs one character.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// U+FFFD, the character that stands for bytes no charset reads.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Appends Bytes, read in the iconv charset named, to Out as UTF-8; false,
// and Out as it was, when the system's iconv does not know the charset.
// Safe to call from any thread.
bool AppendIconvText(std::string_view charset, std::string_view bytes, std::string& out);

}  // namespace tervaline::engine
