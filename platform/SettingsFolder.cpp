#include "platform/SettingsFolder.h"

#include <cstdlib>

#include "platform/PathSyntax.h"

namespace tervaline::platform {

std::string UserSettingsFolder() {
    constexpr auto kSyntax = TPathSyntax::Posix;
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && HasDrivePart(kSyntax, config)) return ExcludeTrailingDelimiter(kSyntax, config);
    const char* home = std::getenv("HOME");
    if (home == nullptr || !HasDrivePart(kSyntax, home)) return {};
    return JoinPath(kSyntax, home, ".config");
}

}  // namespace tervaline::platform
