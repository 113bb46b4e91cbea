// TDescriptor: owns an open POSIX file descriptor and closes it when it
// goes; and ReadFullyAt, the read every file reader here makes through one.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace tervaline::platform {

class TDescriptor {
public:
    explicit TDescriptor(int fd = -1) : fd_(fd) {}
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

// Reads Count bytes at Offset, fewer only at the end of the file; -1 (with
// errno set) when a read fails. Interrupted reads are taken up again.
inline ssize_t ReadFullyAt(int fd, std::uint64_t offset, void* dest, std::size_t count) {
    auto* out = static_cast<unsigned char*>(dest);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;  // end of file
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace tervaline::platform
