#include "platform/FileTime.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/win/Handle.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

namespace {

// 100-nanosecond steps from 1601-01-01 to 1970-01-01 UTC.
constexpr std::int64_t kEpochDifference = 116444736000000000;

}  // namespace

void SetFileModificationTime(const std::string& path, std::int64_t seconds) {
    const THandle file(::CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::uint64_t steps = static_cast<std::uint64_t>(seconds * 10000000 + kEpochDifference);
    FILETIME time{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
    // Null leaves the creation and access times as they are.
    if (!file.Valid() || !::SetFileTime(file.Get(), nullptr, nullptr, &time)) {
        throw EFileError("Cannot set the time of \"" + path + "\": " +
                         SystemErrorText(static_cast<int>(::GetLastError())));
    }
}

}  // namespace tervaline::platform
