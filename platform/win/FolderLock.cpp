#include "platform/FolderLock.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/win/Handle.h"
#include "platform/win/ScanMark.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

TFolderLock::TFolderLock(const std::string& folder) {
    // The folder is opened only to learn which it is, whatever path leads
    // to it; the mark then keeps a second scan out while leaving it open to
    // everyone else.
    const THandle handle(::CreateFileW(WideText(folder).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) RaiseFileError("Cannot open the folder", folder, static_cast<int>(::GetLastError()));
    TFileIdentity identity;
    // A file system that tells no identity leaves the folder unheld: the
    // lock only spares a second scan its surprise, and each file is safe
    // from the other's without it.
    if (!IdentityOfHandle(handle.Get(), identity)) return;
    bool heldElsewhere = false;
    THandle mark = TakeScanMark(ScanMarkName("folder", identity), heldElsewhere);
    if (heldElsewhere) {
        throw EFileError("The folder \"" + folder + "\" is in use by another scan, which writes into it",
                         ERROR_SHARING_VIOLATION);
    }
    handle_ = mark.Release();
}

TFolderLock::~TFolderLock() { CloseNativeHandle(handle_); }

}  // namespace tervaline::platform
