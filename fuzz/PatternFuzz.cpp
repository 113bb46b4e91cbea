// Assigns an arbitrary pattern and matches it against arbitrary text.
//
// Input: one byte of settings (bit 0: code page 932, else single-byte;
// bit 1: the fuzzy-character dictionary; bit 2: line feed ends a line),
// then the pattern up to the first NUL byte, then the text.
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
    const std::uint8_t settings = data[0];
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const std::size_t restSize = size - 1;
    const void* nul = std::memchr(rest, 0, restSize);
    const std::size_t patternSize = nul ? static_cast<const char*>(nul) - rest : restSize;
    const std::string pattern(rest, patternSize);
    const std::string text = patternSize < restSize ? std::string(rest + patternSize + 1, restSize - patternSize - 1)
                                                    : std::string();

    platform::TCodePageScope codePage((settings & 1) != 0 ? platform::kCodePage932 : platform::kSingleByteCodePage);
    regex::TAWKStr awk(nullptr);
    awk.SetUseFuzzyCharDic((settings & 2) != 0);
    awk.SetLineSeparator((settings & 4) != 0 ? regex::mcls_LF : regex::mcls_CRLF);
    bool compiled = true;
    try {
        awk.SetRegExp(pattern);
    } catch (const regex::ERegExpParser&) {
        // A refused pattern leaves the empty one current; matching must
        // still work.
        compiled = false;
    }
    std::int32_t start = 0, length = 0;
    const std::int32_t found = awk.Match(text, start, length);
    if (found != start || found < 0 || length < 0) std::abort();
    const std::size_t visible = std::strlen(text.c_str());
    if (found > 0 && static_cast<std::size_t>(found - 1) + static_cast<std::size_t>(length) > visible) std::abort();
    if (found == 0 && length != 0) std::abort();

    // The same pattern again comes from the cache and must match alike.
    if (!compiled) return 0;
    awk.SetRegExp(pattern);
    std::int32_t start2 = 0, length2 = 0;
    if (awk.Match(text, start2, length2) != found || length2 != length) std::abort();
    return 0;
}
