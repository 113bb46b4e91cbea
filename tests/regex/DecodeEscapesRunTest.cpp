// DecodeEscapes copies runs without escapes in bulk; this pins it to the
// character-by-character decoding on texts full of escapes, double-byte
// characters (some with a backslash trail byte), NULs and broken endings.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/CodePage.h"
#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"
#include "regex/REChar.h"

namespace tervaline::regex {
namespace {

// The plain reading: one character at a time.
void DecodeOneByOne(const std::string& src, std::string& dest) {
    dest.clear();
    std::int32_t position = 1;
    while (position <= static_cast<std::int32_t>(src.size())) {
        TREChar code = GetREChar(src, position);
        if (code == '\\') code = GetEscapedChar(src, position);
        dest += RECharToStr(code);
    }
}

struct TOutcome {
    std::string dest;
    bool raised = false;
    std::string message;
};

template <class Decode>
TOutcome Attempt(Decode decode, const std::string& src) {
    TOutcome o;
    try {
        decode(src, o.dest);
    } catch (const ERegExpParser& e) {
        o.raised = true;
        o.message = e.what();
    }
    return o;
}

TEST(DecodeEscapesRuns, AgreeWithCharacterByCharacterDecoding) {
    const char alphabet[] = {'a', '\\', '\\', 'x', 'F', '7', '0', '8', 'n', '\0', '\x81', '\x5C', '\xE0', '\xFC', '\x7F', ' '};
    std::mt19937 rng(1234);
    for (int cp : {platform::kCodePage932, platform::kSingleByteCodePage}) {
        platform::TCodePageScope scope(cp);
        for (int n = 0; n < 20000; ++n) {
            std::string src(rng() % 24, '\0');
            for (char& c : src) c = alphabet[rng() % sizeof alphabet];
            const TOutcome bulk = Attempt(&TAWKStr::DecodeEscapes, src);
            const TOutcome plain = Attempt(&DecodeOneByOne, src);
            ASSERT_EQ(bulk.raised, plain.raised) << n;
            ASSERT_EQ(bulk.message, plain.message) << n;
            ASSERT_EQ(bulk.dest, plain.dest) << n;
        }
    }
}

}  // namespace
}  // namespace tervaline::regex
