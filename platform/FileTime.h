// The modification time of a file, set from a moment in UTC, so that a
// salvaged message sorts and imports by the date it was written.
#pragma once

#include <cstdint>
#include <string>

namespace tervaline::platform {

// Sets the file's modification time to Seconds since 1970-01-01 UTC; its
// access time is left as it is. Raises EFileError naming the file and the
// reason when it cannot.
void SetFileModificationTime(const std::string& path, std::int64_t seconds);

}  // namespace tervaline::platform
