#include "platform/CodePageText.h"

#include <windows.h>

#include <string>

#include "platform/win/WideText.h"

namespace tervaline::platform {

std::string CodePage932ToUtf8(std::string_view bytes) {
    if (bytes.empty()) return std::string();
    // Without MB_ERR_INVALID_CHARS a byte the code page cannot read becomes
    // the code page's default character instead of failing the whole text.
    const int length = ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return NarrowText(wide);
}

}  // namespace tervaline::platform
