// Where a user's own settings for programs are kept: the XDG configuration
// folder on Linux, the roaming application data folder on Windows.
#pragma once

#include <string>

namespace tervaline::platform {

// The folder, without a trailing separator; empty when the system names
// none (no HOME, no APPDATA).
std::string UserSettingsFolder();

}  // namespace tervaline::platform
