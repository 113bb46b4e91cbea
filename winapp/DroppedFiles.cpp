#include "winapp/DroppedFiles.h"

#include <shellapi.h>

#include "platform/win/WideText.h"

namespace tervaline::winapp {

std::optional<std::string> TakeFirstDroppedFile(HDROP drop) {
    std::optional<std::string> first;
    if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        const UINT copied = ::DragQueryFileW(drop, 0, path.data(), length + 1);
        path.resize(copied);
        first = platform::NarrowText(path);
    }
    ::DragFinish(drop);
    return first;
}

}  // namespace tervaline::winapp
