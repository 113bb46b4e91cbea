// TFolderLock: holds a folder for one writer. While it is held, a second
// lock of the same folder (by this or another process) fails at once, so
// that two scans never write into one folder together.
#pragma once

#include <string>

#include "platform/NativeHandle.h"

namespace tervaline::platform {

class TFolderLock {
public:
    // Raises EFileError when the folder cannot be opened, or, saying that
    // it is in use by another scan, when it is held already. Where the file
    // system keeps no locks, nothing is held.
    explicit TFolderLock(const std::string& folder);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    TNativeHandle handle_ = kNoHandle;
};

}  // namespace tervaline::platform
