// Header text as written, RFC 2047 encoded words among raw bytes, decoded
// to UTF-8 the way mail programs show it.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// Text: a header field's body, unfolded. RawCharset: the charset of 8-bit
// bytes outside encoded words that are not UTF-8.
std::string DecodeHeaderText(std::string_view text, std::string_view rawCharset);

}  // namespace tervaline::engine
