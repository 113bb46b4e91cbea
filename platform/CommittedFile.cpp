#include "platform/CommittedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace tervaline::platform {

namespace {

constexpr std::size_t kBufferSize = 1u << 20;

}  // namespace

TCommittedFile::TCommittedFile(std::string path) : path_(std::move(path)) {
    // A name of its own, made without replacing anything, so that two
    // writers never share a temporary file.
    std::string pattern = path_ + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) throw EFileError("Cannot create \"" + pattern + "\": " + SystemErrorText(errno));
    temp_ = name.data();
    // mkstemp makes the file private; the finished file is as readable as
    // the messages beside it.
    ::fchmod(fd_, 0644);
    buffer_.reserve(kBufferSize);
}

TCommittedFile::~TCommittedFile() { Discard(); }

void TCommittedFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void TCommittedFile::Write(std::string_view bytes) {
    if (fd_ < 0) throw EFileError("Cannot write \"" + path_ + "\": it was closed after an earlier failure");
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        WriteOut(bytes);
    } else {
        buffer_.append(bytes);
    }
}

void TCommittedFile::Flush() {
    WriteOut(buffer_);
    buffer_.clear();
}

void TCommittedFile::WriteOut(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            Discard();
            throw EFileError("Cannot write \"" + path_ + "\": " + SystemErrorText(error));
        }
        done += static_cast<std::size_t>(n);
    }
}

void TCommittedFile::Commit() {
    if (fd_ < 0) throw EFileError("Cannot write \"" + path_ + "\": it was closed after an earlier failure");
    Flush();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        const int error = errno;
        Discard();
        throw EFileError("Cannot write \"" + path_ + "\": " + SystemErrorText(error));
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        Discard();
        throw EFileError("Cannot replace \"" + path_ + "\": " + SystemErrorText(error));
    }
    temp_.clear();
}

}  // namespace tervaline::platform
