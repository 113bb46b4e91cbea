// Decodes backslash escapes in arbitrary bytes, under the double-byte code
// page (first byte odd) or a single-byte one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/CodePage.h"
#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"

using namespace tervaline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    platform::TCodePageScope codePage((data[0] & 1) != 0 ? platform::kCodePage932 : platform::kSingleByteCodePage);
    const std::string src(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string dest;
    try {
        regex::TAWKStr::DecodeEscapes(src, dest);
    } catch (const regex::ERegExpParser&) {
        // What was decoded before the fault can never be longer than the
        // source: no escape grows its text.
        if (dest.size() > src.size()) std::abort();
        return 0;
    }
    if (dest.size() > src.size()) std::abort();
    if (std::memchr(src.data(), '\\', src.size()) == nullptr && dest != src) std::abort();
    return 0;
}
