#include "platform/FileTime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace tervaline::platform {

void SetFileModificationTime(const std::string& path, std::int64_t seconds) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw EFileError("Cannot set the time of \"" + path + "\": " + SystemErrorText(errno));
    }
}

}  // namespace tervaline::platform
