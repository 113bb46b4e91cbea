// TDescriptor: owns an open POSIX file descriptor and closes it when it goes.
#pragma once

#include <unistd.h>

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

}  // namespace tervaline::platform
