#include "platform/LibraryVersions.h"

#include <gnu/libc-version.h>
#include <libewf.h>
#include <libxml/xmlversion.h>
#include <openssl/crypto.h>

namespace tervaline::platform {

std::vector<TLibraryVersion> PlatformLibraries() {
    std::string ssl = OpenSSL_version(OPENSSL_VERSION);
    // "OpenSSL 3.0.x 1 Jan 2024": the number alone.
    const auto space = ssl.find(' ');
    if (space != std::string::npos) ssl = ssl.substr(space + 1, ssl.find(' ', space + 1) - space - 1);
    return {{"libxml2", LIBXML_DOTTED_VERSION},
            {"openssl", ssl},
            {"libewf", libewf_get_version()},
            {"glibc", gnu_get_libc_version()}};
}

}  // namespace tervaline::platform
