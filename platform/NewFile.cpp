#include "platform/NewFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Descriptor.h"
#include "platform/FileSystem.h"
#include "platform/NewFileParts.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();

// Renames From to To unless To exists; false then. Where the file system
// cannot be asked to refuse, a hard link does it; where it has none either,
// a look comes first (other scans are kept out of the folder by its lock).
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    int error = errno;
    if (error == EEXIST) return false;
    if (error == EINVAL || error == ENOSYS) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        error = errno;
        if (error == EEXIST) return false;
        if (error == EPERM || error == EOPNOTSUPP) {
            struct stat st {};
            if (::lstat(to.c_str(), &st) == 0) return false;
            if (::rename(from.c_str(), to.c_str()) == 0) return true;
            error = errno;
        }
    }
    errno = error;
    return false;
}

}  // namespace

TNewFile::TNewFile(const std::string& folder, const std::string& name, unsigned mode)
    : intended_(JoinPath(kNative, folder, name)) {
    for (int attempt = 0;; ++attempt) {
        temp_ = TemporaryNameFor(intended_);
        // Exclusive creation never follows a link nor opens what exists.
        handle_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (handle_ >= 0) return;
        const int error = errno;
        if (error != EEXIST || attempt == 100) RaiseFileError("Cannot create", intended_, error);
    }
}

TNewFile::~TNewFile() {
    Close();
    if (!placed_) ::unlink(temp_.c_str());
}

void TNewFile::Close() {
    if (handle_ >= 0) ::close(std::exchange(handle_, -1));
}

void TNewFile::Write(std::string_view bytes) {
    assert(handle_ >= 0);
    WriteThroughFault(intended_, size_, bytes, [this](const char* data, std::size_t count, int& error) {
        for (;;) {
            const ssize_t n = ::write(handle_, data, count);
            if (n >= 0 || errno != EINTR) {
                error = errno;
                return static_cast<std::int64_t>(n);
            }
        }
    });
}

std::size_t TNewFile::ReadAt(std::uint64_t offset, void* dest, std::size_t count) const {
    assert(handle_ >= 0);
    const ssize_t n = ReadFullyAt(handle_, offset, dest, count);
    if (n < 0) RaiseFileError("Cannot read back", intended_, errno);
    return static_cast<std::size_t>(n);
}

void TNewFile::Truncate(std::uint64_t size) {
    assert(handle_ >= 0 && size <= size_);
    if (::ftruncate(handle_, static_cast<off_t>(size)) != 0) RaiseFileError("Cannot write", intended_, errno);
    size_ = size;
    reserved_ = 0;
    if (::lseek(handle_, 0, SEEK_END) < 0) RaiseFileError("Cannot write", intended_, errno);
}

void TNewFile::SetModificationTime(std::int64_t seconds) {
    assert(handle_ >= 0);
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    if (::futimens(handle_, times) != 0) RaiseFileError("Cannot set the time of", intended_, errno);
}

TNewFile::TRoom TNewFile::Reserve(std::uint64_t bytes) noexcept {
    assert(handle_ >= 0);
    // Allocated, not merely sized: a sparse stretch would hold no room. The
    // file grows to Bytes where it was shorter (room kept beyond the end is
    // not given back by every file system when the file is cut to the size
    // it has); writes go on from where they were.
    if (bytes <= reserved_) return TRoom::Held;
    // Only what is not held yet: a file system may walk the whole range.
    const int error = ::posix_fallocate(handle_, static_cast<off_t>(reserved_), static_cast<off_t>(bytes - reserved_));
    if (error == 0) {
        reserved_ = bytes;
        return TRoom::Held;
    }
    return error == ENOSPC || error == EDQUOT ? TRoom::Full : TRoom::Unheld;
}

bool TNewFile::SameBytesAs(const std::string& path) const {
    assert(handle_ >= 0);
    // Only a regular file is opened at all (opening a device can do
    // things), and without blocking, should a pipe take its place between.
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0 || !S_ISREG(seen.st_mode)) return false;
    const TDescriptor other(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (other.Get() < 0) return false;
    struct stat st {};
    if (::fstat(other.Get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != size_) {
        return false;
    }
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<char> mine(kChunk), theirs(kChunk);
    for (std::uint64_t at = 0; at < size_;) {
        const ssize_t a = ReadFullyAt(handle_, at, mine.data(), kChunk);
        const ssize_t b = ReadFullyAt(other.Get(), at, theirs.data(), kChunk);
        if (a <= 0 || a != b || std::memcmp(mine.data(), theirs.data(), static_cast<std::size_t>(a)) != 0) return false;
        at += static_cast<std::uint64_t>(a);
    }
    // Nothing may follow: the file could have grown since it was measured.
    char extra = 0;
    return ReadFullyAt(other.Get(), size_, &extra, 1) == 0;
}

bool TNewFile::PlaceAs(const std::string& path) {
    assert(handle_ >= 0 && !placed_);
    if (RenameWithoutReplacing(temp_, path)) {
        placed_ = true;
        return true;
    }
    const int error = errno;
    if (error == EEXIST) return false;
    if (error != EXDEV) RaiseFileError("Cannot write", path, error);
    // Another volume: the bytes are copied into a new file of their own
    // beside Path, which is then put in place.
    TNewFile copy(ExtractFileDir(kNative, path), ExtractFileName(kNative, path), 0600);
    struct stat st {};
    if (::fstat(handle_, &st) == 0) ::fchmod(copy.handle_, st.st_mode & 07777);
    CopyWritten(*this, size_, copy);
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ::futimens(copy.handle_, times);
    // This file stays temporary and goes with the object.
    return copy.PlaceAs(path);
}

void TNewFile::Replace(const std::string& path) {
    assert(handle_ >= 0 && !placed_);
    Close();
    if (::rename(temp_.c_str(), path.c_str()) != 0) RaiseFileError("Cannot replace", path, errno);
    placed_ = true;
}

std::uint64_t TNewFile::RemoveLeftovers(const std::string& folder,
                                        const std::function<bool(std::string_view target)>& ours) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) RaiseFileError("Cannot list the folder", folder, errno);
    std::uint64_t removed = 0;
    std::string target;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!IsTemporaryName(entry->d_name, target) || !ours(target)) continue;
        const std::string path = JoinPath(kNative, folder, entry->d_name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.c_str()) != 0) RaiseFileError("Cannot remove", path, errno);
        ++removed;
    }
    return removed;
}

}  // namespace tervaline::platform
