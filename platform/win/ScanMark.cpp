#include "platform/win/ScanMark.h"

#include "platform/win/WideText.h"

#include <cstdio>

namespace tervaline::platform {

std::string ScanMarkName(const char* kind, const TFileIdentity& identity) {
    char name[80];
    std::snprintf(name, sizeof name, "%s-%016llx-%016llx", kind, static_cast<unsigned long long>(identity.Volume),
                  static_cast<unsigned long long>(identity.Index));
    return name;
}

THandle TakeScanMark(const std::string& name, bool& heldElsewhere) {
    THandle mark(::CreateMutexW(nullptr, FALSE, (L"Local\\tervaline-" + WideText(name)).c_str()));
    heldElsewhere = mark.Valid() && ::GetLastError() == ERROR_ALREADY_EXISTS;
    return heldElsewhere ? THandle() : std::move(mark);
}

bool ScanMarkHeld(const std::string& name) {
    const THandle mark(::OpenMutexW(SYNCHRONIZE, FALSE, (L"Local\\tervaline-" + WideText(name)).c_str()));
    return mark.Valid();
}

bool IdentityOfHandle(HANDLE handle, TFileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return false;
    identity.Volume = info.dwVolumeSerialNumber;
    identity.Index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace tervaline::platform
