#include "platform/TextOutput.h"

#include <io.h>
#include <windows.h>

#include "platform/win/WideText.h"

namespace tervaline::platform {

void WriteText(std::FILE* stream, std::string_view text) {
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    // What the stream holds goes first, so that the two keep their order.
    std::fflush(stream);
    const std::wstring wide = WideText(text);
    DWORD written = 0;
    ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace tervaline::platform
