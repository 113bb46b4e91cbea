// ISO-2022-JP as Japanese mail programs write it, read into UTF-8, with the
// NEC and IBM extensions that Windows programs put in it (①, ㈱, 髙).
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// Whether Bytes hold an escape sequence that switches to a Japanese set:
// text written in ISO-2022-JP without an encoded word around it.
bool HasIso2022JpEscape(std::string_view bytes);

// Appends ISO-2022-JP Bytes to Out as UTF-8; bytes that are no character of
// the set in use each give U+FFFD.
void AppendIso2022JpText(std::string_view bytes, std::string& out);

}  // namespace tervaline::engine
