// The Windows build's services are the system's own, which tell no library
// versions of their own.
#include "platform/LibraryVersions.h"

namespace tervaline::platform {

std::vector<TLibraryVersion> PlatformLibraries() { return {}; }

}  // namespace tervaline::platform
