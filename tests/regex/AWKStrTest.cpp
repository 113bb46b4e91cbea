#include "regex/AWKStr.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/Component.h"
#include "regex/ERegExpParser.h"

namespace tervaline::regex {
namespace {

struct TMatchCase {
    const char* pattern;
    std::string text;
    TMatchCORE_LineSeparator separator;
    std::int32_t position;
    std::int32_t length;
};

TEST(AWKStrMatch, LeftmostThenLongest) {
    const TMatchCase cases[] = {
        {"", "abc", mcls_CRLF, 1, 0},
        {"", "", mcls_CRLF, 1, 0},
        {"a", "xxab", mcls_CRLF, 3, 1},
        {"a", "xyz", mcls_CRLF, 0, 0},
        {"b|abc", "abc", mcls_CRLF, 1, 3},
        {"b+", "abbb", mcls_CRLF, 2, 3},
        {"b", std::string("a\0b", 3), mcls_CRLF, 0, 0},
        {"a.*", std::string("xab\0cd", 6), mcls_CRLF, 2, 2},
        {"c$", "abc\nd", mcls_LF, 3, 1},
        {"c$", "abc\nd", mcls_CRLF, 0, 0},
        {"c$", "abc\r\nd", mcls_CRLF, 3, 1},
        {"c$", "abc", mcls_CRLF, 3, 1},
        {"^a", "a", mcls_CRLF, 1, 1},
        {"^a", "xa\na", mcls_LF, 4, 1},
        {"[Tt][Oo]:.*@", "Subject: hi\r\nTo: bob@example.org\r\n", mcls_CRLF, 14, 8},
        {"[Ff][Rr][Oo][Mm]:.*@", "To: nobody\r\n\r\nbody\r\n", mcls_CRLF, 0, 0},
    };
    for (const TMatchCase& c : cases) {
        TAWKStr awk(nullptr);
        awk.SetRegExp(c.pattern);
        awk.SetLineSeparator(c.separator);
        std::int32_t start = -1, length = -1;
        const std::int32_t result = awk.Match(c.text, start, length);
        EXPECT_EQ(result, c.position) << c.pattern << " on " << c.text;
        EXPECT_EQ(start, c.position) << c.pattern;
        EXPECT_EQ(length, c.length) << c.pattern;
    }
}

TEST(AWKStrMatch, BeforeAnyPatternBehavesAsTheEmptyPattern) {
    TAWKStr awk(nullptr);
    std::int32_t start = 0, length = -1;
    EXPECT_EQ(awk.Match("abc", start, length), 1);
    EXPECT_EQ(length, 0);
}

TEST(AWKStrMatch, OwnedObjectWorksAndIsReleasedWithItsOwner) {
    platform::TComponent owner(nullptr);
    TAWKStr& awk = platform::TComponent::MakeOwned<TAWKStr>(owner);
    EXPECT_EQ(owner.ComponentCount(), 1u);
    awk.SetRegExp("[Tt][Oo]:.*@");
    std::int32_t start = 0, length = 0;
    EXPECT_EQ(awk.Match("to: x@y", start, length), 1);
    EXPECT_EQ(length, 6);
}

TEST(AWKStrMatch, StrategyFollowsEveryNewPattern) {
    TAWKStr awk(nullptr);
    std::int32_t start = 0, length = 0;
    awk.SetRegExp("^b");
    EXPECT_EQ(awk.Match("ab\nb", start, length), 4);
    awk.SetRegExp("b");
    EXPECT_EQ(awk.Match("ab\nb", start, length), 2);
    awk.SetRegExp("b$");
    EXPECT_EQ(awk.Match("ab\rb", start, length), 2);
}

TEST(AWKStrMatch, CountsBytesOfDoubleByteCharacters) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    TAWKStr awk(nullptr);
    awk.SetRegExp("x.");
    std::int32_t start = 0, length = 0;
    // 0x82 0x78 is one character whose trail byte reads as 'x'.
    EXPECT_EQ(awk.Match("\x82\x78\x78\x82\xa0", start, length), 3);
    EXPECT_EQ(length, 3);
    // A lone lead byte at the end must not carry the scan past the NUL.
    awk.SetRegExp("b");
    EXPECT_EQ(awk.Match("xx\x82", start, length), 0);
}

struct TDecodeCase {
    std::string src;
    std::string dest;
};

TEST(AWKStrDecodeEscapes, DecodesSequences) {
    const TDecodeCase cases[] = {
        {"a\\tb", "a\tb"},
        {"\\x41\\102", "AB"},
        {"\\b\\n\\r\\q\\\\", "\b\n\rq\\"},
        {"\\x141", "A"},
        {"\\x12345", "45"},
        {"\\0001017", "A7"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"", ""},
    };
    for (const TDecodeCase& c : cases) {
        std::string dest = "stale";
        TAWKStr::DecodeEscapes(c.src, dest);
        EXPECT_EQ(dest, c.dest) << c.src;
    }
}

TEST(AWKStrDecodeEscapes, KeepsDoubleByteCharacters) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    std::string dest;
    // A trail byte 0x5c is no backslash.
    TAWKStr::DecodeEscapes("\x83\x5c\\x8340", dest);
    EXPECT_EQ(dest, "\x83\x5c\x83\x40");
}

struct TDecodeFault {
    std::string src;
    const char* message;
    std::string decodedBefore;
};

TEST(AWKStrDecodeEscapes, RaisesOnBadEscapes) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    const TDecodeFault faults[] = {
        {"ab\\", kMsgNeedCharAfterBackslash, "ab"},
        {std::string("a\\\0b", 4), kMsgNeedCharAfterBackslash, "a"},
        {"a\\xg", kMsgBadHexCode, "a"},
        {"\\200000", kMsgBadOctCode, ""},
        {"a\x82", kMsgBadDoubleByte, "a"},
    };
    for (const TDecodeFault& f : faults) {
        std::string dest;
        try {
            TAWKStr::DecodeEscapes(f.src, dest);
            ADD_FAILURE() << "no error for " << f.src;
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), f.message) << f.src;
            EXPECT_EQ(dest, f.decodedBefore) << f.src;
        }
    }
}

}  // namespace
}  // namespace tervaline::regex
