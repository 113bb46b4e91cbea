#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Descriptor.h"
#include "platform/FileSystemParts.h"
#include "platform/PathSyntax.h"
#include "platform/ReadFault.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();

// The byte range far past the end of any file whose shared record lock
// marks a store as held by a scan, so that a refusal can say who holds it.
constexpr off_t kScanMarkAt = off_t{1} << 62;

struct flock RangeLock(short type, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return lock;
}

// Whether another open of the file holds a lock that Wanted would meet.
bool LockedElsewhere(int fd, struct flock wanted) {
    return ::fcntl(fd, F_OFD_GETLK, &wanted) == 0 && wanted.l_type != F_UNLCK;
}

std::string KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of a kind of its own";
}

// Takes the lock that keeps a second scan out, or says who holds the file.
void HoldUnshared(int fd, const std::string& path) {
    const bool byScan = LockedElsewhere(fd, RangeLock(F_WRLCK, kScanMarkAt, 1));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) RaiseFileError("Cannot lock", path, error);
        if (byScan) throw EFileError("Cannot open \"" + path + "\": it is in use by another scan", error);
        throw EFileError("Cannot open \"" + path + "\": another program holds a lock on it", error);
    }
    // A program that writes the file holds a record lock on what it writes.
    if (LockedElsewhere(fd, RangeLock(F_RDLCK, 0, 0))) {
        throw EFileError("Cannot open \"" + path + "\": another program holds a lock on it", EWOULDBLOCK);
    }
    // Where the file system keeps no record locks, the flock alone holds.
    struct flock mark = RangeLock(F_RDLCK, kScanMarkAt, 1);
    ::fcntl(fd, F_OFD_SETLK, &mark);
}

// The logical sector size of the disk open as Fd: the least a read of it
// can fail in. 512, the size of every disk that tells none, where it will
// not say or says something no disk has.
std::uint32_t LogicalSectorSize([[maybe_unused]] int fd) {
#ifdef BLKSSZGET
    int size = 0;
    if (::ioctl(fd, BLKSSZGET, &size) == 0 && size >= 512 && size <= 65536 && (size & (size - 1)) == 0) {
        return static_cast<std::uint32_t>(size);
    }
#endif
    return 512;
}

}  // namespace

std::string SystemErrorText(int error) { return std::strerror(error); }

int DiskFullError() { return ENOSPC; }

TUnsharedReadFile::TUnsharedReadFile(const std::string& path) : path_(path) {
    // Without blocking, so that a pipe cannot hold the scan before its type
    // is seen.
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) RaiseFileError("Cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) RaiseFileError("Cannot open", path, errno);
    if (S_ISDIR(st.st_mode)) RaiseFileError("Cannot open", path, EISDIR);
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
        throw EFileError("Cannot open \"" + path + "\": it is " + KindOf(st.st_mode) +
                         ", not a file or a disk, and only those can be scanned");
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) RaiseFileError("Cannot open", path, errno);
    HoldUnshared(fd.Get(), path);
    disk_ = S_ISBLK(st.st_mode);
    if (disk_) sectorSize_ = LogicalSectorSize(fd.Get());
    identity_ = TFileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    permissions_ = static_cast<unsigned>(st.st_mode) & 0777u;
    handle_ = fd.Release();
}

TUnsharedReadFile::~TUnsharedReadFile() {
    if (handle_ >= 0) ::close(handle_);  // closing drops the lock
}

std::size_t TUnsharedReadFile::ReadAt(std::uint64_t offset, void* dest, std::size_t count) {
#ifdef TERVALINE_FAULT_INJECTION
    CheckReadFault(path_, offset, count);
#endif
    const ssize_t n = ReadFullyAt(handle_, offset, dest, count);
    if (n < 0) RaiseFileError("Cannot read", path_, errno);
    return static_cast<std::size_t>(n);
}

std::uint64_t TUnsharedReadFile::Size() const {
    if (disk_) {
        const off_t end = ::lseek(handle_, 0, SEEK_END);
        if (end < 0) RaiseFileError("Cannot read the size of", path_, errno);
        return static_cast<std::uint64_t>(end);
    }
    struct stat st {};
    if (::fstat(handle_, &st) != 0) RaiseFileError("Cannot read the size of", path_, errno);
    return static_cast<std::uint64_t>(st.st_size);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool ExistsAsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0;
}

std::optional<std::string> LinkTarget(const std::string& path) {
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    target.resize(static_cast<std::size_t>(n));
    return target;
}

bool IsDevice(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode));
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t FileSizeOrZero(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
    if (S_ISBLK(st.st_mode)) {
        // A disk's size comes from the device, not from its node.
        const TDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        const off_t end = fd.Get() < 0 ? -1 : ::lseek(fd.Get(), 0, SEEK_END);
        return end < 0 ? 0 : static_cast<std::uint64_t>(end);
    }
    return S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

int MakeOneFolder(const std::string& folder, unsigned mode) {
    return ::mkdir(folder.c_str(), mode) == 0 ? 0 : errno;
}

bool IsExistsError(int error) { return error == EEXIST; }

void RemoveEmptyFolder(const std::string& path) { ::rmdir(path.c_str()); }

std::optional<TFileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return TFileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

void FlushVolumeOf(const std::string& folder) {
    const TDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // One flush of the whole volume costs far less than one for each file.
    if (fd.Get() < 0 || ::syncfs(fd.Get()) != 0) {
        RaiseFileError("Cannot flush what was written to disk in", folder, errno);
    }
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            const int error = errno;
            throw EFileError("Cannot tell the current folder: " + SystemErrorText(error), error);
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string ProgramFolder() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return IncludeTrailingDelimiter(kNative, ".");
    return ExtractFilePath(kNative, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

}  // namespace tervaline::platform
