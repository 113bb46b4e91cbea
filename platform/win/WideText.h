// The one conversion between the program's 8-bit text, which on Windows is
// UTF-8, and the UTF-16 that the system's wide-character calls take, so
// that names outside the ANSI code page (a Japanese folder on a Western
// system) reach the file system whole.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::platform {

// Bytes that are no UTF-8 come out as U+FFFD.
std::wstring WideText(std::string_view text);
// Lone surrogates come out as U+FFFD.
std::string NarrowText(std::wstring_view text);

}  // namespace tervaline::platform
