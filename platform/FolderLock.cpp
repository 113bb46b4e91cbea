#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/Descriptor.h"
#include "platform/FileSystem.h"

namespace tervaline::platform {

TFolderLock::TFolderLock(const std::string& folder) {
    TDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0) RaiseFileError("Cannot open the folder", folder, errno);
    // A file system that keeps no such locks leaves the folder unheld:
    // the lock only spares a second scan its surprise, and each file is
    // safe from the other's without it.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        throw EFileError("The folder \"" + folder + "\" is in use by another scan, which writes into it", EWOULDBLOCK);
    }
    handle_ = fd.Release();
}

TFolderLock::~TFolderLock() {
    if (handle_ >= 0) ::close(handle_);  // closing drops the lock
}

}  // namespace tervaline::platform
