// WriteText: the program's 8-bit text onto one of its output streams. On a
// Windows console it goes as UTF-16, which the console shows whatever its
// code page; everywhere else the bytes go as they are.
#pragma once

#include <cstdio>
#include <string_view>

namespace tervaline::platform {

void WriteText(std::FILE* stream, std::string_view text);

}  // namespace tervaline::platform
