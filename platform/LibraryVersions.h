// The libraries behind the platform's services and their versions, for
// what the program says of how it was built.
#pragma once

#include <string>
#include <vector>

namespace tervaline::platform {

struct TLibraryVersion {
    std::string Name;
    std::string Version;
};

// Those this build uses, each of the version it was built with or loaded.
std::vector<TLibraryVersion> PlatformLibraries();

}  // namespace tervaline::platform
