// The name of the file that receives the chain starting at a file offset:
// its offset in uppercase hexadecimal and ".eml". Eight digits in stores
// below 4 GiB; sixteen for every chain of a larger file (a disk image), so
// that names sort by offset there too. A message that finds a file with
// other bytes under its name is written beside it, as NAME~1.eml, ~2, ...
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tervaline::engine {

// An offset in uppercase hexadecimal, as wide as the names of a store of
// StoreSize bytes: the one way offsets are shown to the user.
std::string OffsetDigits(std::uint64_t offset, std::uint64_t storeSize);

// Copy 0 is the name itself; copy N > 0 the name with "~N" before ".eml".
std::string MessageFileName(std::uint64_t offset, std::uint64_t storeSize, unsigned copy = 0);

// Whether Name is one MessageFileName gives, copies included.
bool IsMessageFileName(std::string_view name);

}  // namespace tervaline::engine
