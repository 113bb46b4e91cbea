// Patterns whose complete automaton would be too large to build in
// reasonable time are refused like any other bad pattern, and patterns just
// below that size still compile and match.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"
#include "regex/RE_DFA.h"

namespace tervaline::regex {
namespace {

// (a|b)*a followed by Tail copies of (a|b): the automaton must remember the
// last Tail + 1 characters, about 2^(Tail+1) states.
std::string Exponential(int tail) {
    std::string pattern = "(a|b)*a";
    for (int i = 0; i < tail; ++i) pattern += "(a|b)";
    return pattern;
}

TEST(PatternLimits, TooManyStatesIsAPatternErrorAndLeavesTheEmptyPattern) {
    struct TCase {
        const char* what;
        std::string pattern;
        bool fuzzy;
        int codePage;
    };
    const TCase cases[] = {
        {"exponential alternation", Exponential(14), false, platform::kSingleByteCodePage},
        // Found by fuzzing: half-width kana under the fuzzy dictionary,
        // read on a single-byte code page, around an any-character.
        {"fuzzy kana run",
         std::string(13, '\xDB') + "+" + std::string(2, '\xDB') + "." + std::string(19, '\xDB') + "A#\x01.", true,
         platform::kSingleByteCodePage},
        // Found by fuzzing: few states, but so many transitions that
        // building them took seconds.
        {"any-characters under the fuzzy dictionary",
         "\xff\xff\xff\x06~Oo\xff\x06~Oo\xaa:.*.e\x9c....\xaa:.*.e.....\xcb...m", true,
         platform::kSingleByteCodePage},
        {"a long run of any-characters under the fuzzy dictionary",
         "...\xd8" + std::string(7, '\xd1') + std::string(23, '.') + "*" + std::string(25, '.') + "\x84" +
             std::string(9, '.') + "\x01\x7f",
         true, platform::kSingleByteCodePage},
    };
    for (const TCase& c : cases) {
        platform::TCodePageScope codePage(c.codePage);
        TAWKStr awk(nullptr);
        awk.SetUseFuzzyCharDic(c.fuzzy);
        awk.SetRegExp("x");
        try {
            awk.SetRegExp(c.pattern);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), kPatternTooComplex) << c.what;
        }
        EXPECT_EQ(awk.RegExp(), "") << c.what;
        std::int32_t start = -1, length = -1;
        EXPECT_EQ(awk.Match("abc", start, length), 1) << c.what << ": the empty pattern matches at once";
        EXPECT_EQ(length, 0) << c.what;
        // The object stays usable.
        awk.SetRegExp("b+");
        EXPECT_EQ(awk.Match("abbc", start, length), 2) << c.what;
        EXPECT_EQ(length, 2) << c.what;
    }
}

TEST(PatternLimits, LargeAutomataBelowTheLimitStillMatch) {
    TAWKStr awk(nullptr);
    awk.SetRegExp(Exponential(9));  // about a thousand states
    std::int32_t start = 0, length = 0;
    EXPECT_EQ(awk.Match("bbba" + std::string(9, 'b'), start, length), 1);
    EXPECT_EQ(length, 13);
    EXPECT_EQ(awk.Match("bbbb" + std::string(9, 'a') + "b", start, length), 1);
    EXPECT_EQ(length, 14);
    EXPECT_EQ(awk.Match("a" + std::string(8, 'b'), start, length), 0);
}

}  // namespace
}  // namespace tervaline::regex
