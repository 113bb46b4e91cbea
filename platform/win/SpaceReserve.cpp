#include "platform/SpaceReserve.h"

#include <windows.h>

#include <utility>

#include "platform/win/Handle.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

TSpaceReserve::TSpaceReserve(std::string path) : path_(std::move(path)) {}

TSpaceReserve::~TSpaceReserve() { Release(); }

bool TSpaceReserve::Hold(std::uint64_t bytes) noexcept {
    if (bytes <= held_) return true;
    if (handle_ == kNoHandle) {
        // Hidden, and gone with its handle should the program end first.
        THandle file(::CreateFileW(WideText(path_).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!file.Valid()) return false;
        handle_ = file.Release();
    }
    // Setting the end allocates the room on a file that is not sparse.
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(bytes);
    if (!::SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &end, sizeof end)) return false;
    held_ = bytes;
    return true;
}

void TSpaceReserve::Release() noexcept {
    if (handle_ == kNoHandle) return;
    CloseNativeHandle(handle_);  // deletes the file
    held_ = 0;
}

}  // namespace tervaline::platform
