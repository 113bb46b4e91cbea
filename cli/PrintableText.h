// Text from outside the program (paths, the system's reasons) made safe to
// print on one line of a terminal: control bytes, and bytes that do not
// form characters of the locale's encoding, are shown as \xNN.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::cli {

// Under code page 932 the text is taken as Shift_JIS, otherwise as UTF-8.
// A backslash is doubled, so that what is shown reads back unambiguously.
std::string Printable(std::string_view text);

}  // namespace tervaline::cli
