// The name of the file that receives the chain starting at a file offset:
// its offset in uppercase hexadecimal and ".eml". Eight digits in stores
// below 4 GiB; sixteen for every chain of a larger file (a disk image), so
// that names sort by offset there too.
#pragma once

#include <cstdint>
#include <string>

namespace tervaline::engine {

std::string MessageFileName(std::uint64_t offset, std::uint64_t storeSize);

}  // namespace tervaline::engine
