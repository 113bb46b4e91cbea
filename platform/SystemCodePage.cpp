// The code page of a POSIX system: the locale's codeset.
#include <cstdlib>

#include "platform/CodePage.h"

namespace tervaline::platform {

int SystemCodePage() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return CodePageFromLocaleName(value);
    }
    return kSingleByteCodePage;
}

}  // namespace tervaline::platform
