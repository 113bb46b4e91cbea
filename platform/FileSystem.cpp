#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/PathSyntax.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EFileError(what + " \"" + path + "\": " + SystemErrorText(error));
}

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::mutex gWriteFaultMutex;
TWriteFault gWriteFault;

TWriteFault CurrentWriteFault() {
    std::lock_guard<std::mutex> lock(gWriteFaultMutex);
    return gWriteFault;
}

}  // namespace

void SetWriteFaultForTesting(TWriteFault fault) {
    std::lock_guard<std::mutex> lock(gWriteFaultMutex);
    gWriteFault = std::move(fault);
}

std::string SystemErrorText(int error) { return std::strerror(error); }

TUnsharedReadFile::TUnsharedReadFile(const std::string& path) : path_(path) {
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) Fail("Cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) Fail("Cannot open", path, errno);
    if (S_ISDIR(st.st_mode)) Fail("Cannot open", path, EISDIR);
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            throw EFileError("Cannot open \"" + path + "\": it is in use by another scan");
        }
        Fail("Cannot lock", path, error);
    }
    fd_ = fd.Release();
}

TUnsharedReadFile::~TUnsharedReadFile() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

std::size_t TUnsharedReadFile::ReadAt(std::uint64_t offset, void* dest, std::size_t count) {
    auto* out = static_cast<unsigned char*>(dest);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path_, errno);
        }
        if (n == 0) break;  // end of file
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::uint64_t TUnsharedReadFile::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("Cannot read the size of", path_, errno);
    return static_cast<std::uint64_t>(st.st_size);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t FileSizeOrZero(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

void ForceDirectories(const std::string& path) {
    if (path.empty()) throw EFileError("Cannot create a folder with an empty name");
    const std::string folder = IsRootPath(kNative, path) ? path : ExcludeTrailingDelimiter(kNative, path);
    if (DirectoryExists(folder)) return;
    const std::string parent = ExtractFileDir(kNative, folder);
    if (!parent.empty() && parent != folder) ForceDirectories(parent);
    if (::mkdir(folder.c_str(), 0777) != 0) {
        const int error = errno;
        if (error == EEXIST && DirectoryExists(folder)) return;  // made meanwhile
        Fail("Cannot create the folder", folder, error);
    }
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    const std::string temp = path + ".partial";
    {
        TDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (fd.Get() < 0) Fail("Cannot create", temp, errno);
        const TWriteFault fault = CurrentWriteFault();
        std::size_t done = 0;
        while (done < bytes.size()) {
            std::size_t chunk = bytes.size() - done;
            int injected = 0;
            if (fault) {
                injected = fault(path, done);
                if (done == 0 && chunk > 1) chunk /= 2;
            }
            const ssize_t n = injected != 0 ? -1 : ::write(fd.Get(), bytes.data() + done, chunk);
            if (n < 0) {
                if (injected == 0 && errno == EINTR) continue;
                const int error = injected != 0 ? injected : errno;
                ::unlink(temp.c_str());
                Fail("Cannot write", path, error);
            }
            done += static_cast<std::size_t>(n);
        }
        if (::close(fd.Release()) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            Fail("Cannot write", path, error);
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("Cannot replace", path, error);
    }
}

std::string ProgramFolder() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return IncludeTrailingDelimiter(kNative, ".");
    return ExtractFilePath(kNative, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

}  // namespace tervaline::platform
