#include "platform/SettingsFolder.h"

#include <windows.h>

#include <string>

#include "platform/PathSyntax.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

std::string UserSettingsFolder() {
    // The roaming application data folder, as the system names it for the
    // user; read in UTF-16 so that any name survives.
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    const std::string narrow = NarrowText(std::wstring_view(folder, length));
    if (!HasDrivePart(TPathSyntax::Windows, narrow)) return {};
    return ExcludeTrailingDelimiter(TPathSyntax::Windows, narrow);
}

}  // namespace tervaline::platform
