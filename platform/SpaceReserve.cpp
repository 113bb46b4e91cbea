#include "platform/SpaceReserve.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace tervaline::platform {

TSpaceReserve::TSpaceReserve(std::string path) : path_(std::move(path)) {}

TSpaceReserve::~TSpaceReserve() { Release(); }

bool TSpaceReserve::Hold(std::uint64_t bytes) noexcept {
    if (bytes <= held_) return true;
    if (handle_ < 0) {
        handle_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (handle_ < 0) return false;
    }
    // Allocated, not merely sized: a sparse file would hold no room at all.
    if (::posix_fallocate(handle_, 0, static_cast<off_t>(bytes)) != 0) return false;
    held_ = bytes;
    return true;
}

void TSpaceReserve::Release() noexcept {
    if (handle_ < 0) return;
    ::close(handle_);
    ::unlink(path_.c_str());
    handle_ = -1;
    held_ = 0;
}

}  // namespace tervaline::platform
