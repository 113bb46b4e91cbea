#include "engine/MessageFileName.h"

#include <cstdio>

namespace tervaline::engine {

std::string MessageFileName(std::uint64_t offset, std::uint64_t storeSize) {
    constexpr std::uint64_t k4GiB = 1ull << 32;
    char name[32];
    if (offset < k4GiB && storeSize < k4GiB) {
        std::snprintf(name, sizeof name, "%08X.eml", static_cast<unsigned>(offset));
    } else {
        std::snprintf(name, sizeof name, "%016llX.eml", static_cast<unsigned long long>(offset));
    }
    return name;
}

}  // namespace tervaline::engine
