// TNativeHandle: an open file as the system hands it out, kept in headers
// shared by the POSIX and the Windows implementations: a descriptor there,
// a HANDLE's value here.
#pragma once

#include <cstdint>

namespace tervaline::platform {

using TNativeHandle = std::intptr_t;
// What no open file is on either system (-1 is also INVALID_HANDLE_VALUE).
inline constexpr TNativeHandle kNoHandle = -1;

}  // namespace tervaline::platform
