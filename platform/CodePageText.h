// Text written in code page 932, as Japanese language files are, read into
// UTF-8 with the system's own tables (iconv on POSIX, the code page
// conversion of Windows).
#pragma once

#include <string>
#include <string_view>

namespace tervaline::platform {

// Bytes in code page 932 as UTF-8; a byte the code page cannot read
// becomes U+FFFD.
std::string CodePage932ToUtf8(std::string_view bytes);

}  // namespace tervaline::platform
