#include "platform/win/ScanMark.h"

#include <cstdio>

namespace tervaline::platform {

namespace {

std::wstring MarkName(const char* kind, const TFileIdentity& identity) {
    wchar_t name[96];
    std::swprintf(name, sizeof name / sizeof name[0], L"Local\\tervaline-%hs-%016llx-%016llx", kind,
                  static_cast<unsigned long long>(identity.Volume), static_cast<unsigned long long>(identity.Index));
    return name;
}

}  // namespace

THandle TakeScanMark(const char* kind, const TFileIdentity& identity, bool& heldElsewhere) {
    THandle mark(::CreateMutexW(nullptr, FALSE, MarkName(kind, identity).c_str()));
    heldElsewhere = mark.Valid() && ::GetLastError() == ERROR_ALREADY_EXISTS;
    return heldElsewhere ? THandle() : std::move(mark);
}

bool ScanMarkHeld(const char* kind, const TFileIdentity& identity) {
    const THandle mark(::OpenMutexW(SYNCHRONIZE, FALSE, MarkName(kind, identity).c_str()));
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
