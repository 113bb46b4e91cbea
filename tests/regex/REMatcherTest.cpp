#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "RETestSupport.h"
#include "platform/CodePage.h"

namespace tervaline::regex {
namespace {

using testing::Compiled;
using Result = std::pair<int, int>;

struct MatchCase {
    std::string pattern;
    std::string text;
    Result crlf;  // position and length under mcls_CRLF
    Result lf;    // and under mcls_LF
};

void RunCases(const std::vector<MatchCase>& cases) {
    for (const auto& c : cases) {
        Compiled re(c.pattern);
        EXPECT_EQ(re.Match(c.text, mcls_CRLF), c.crlf) << "/" << c.pattern << "/ CRLF on " << c.text;
        EXPECT_EQ(re.Match(c.text, mcls_LF), c.lf) << "/" << c.pattern << "/ LF on " << c.text;
    }
}

TEST(REMatcher, LeftmostThenLongest) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    RunCases({
        {"", "abc", {1, 0}, {1, 0}},
        {"", "", {1, 0}, {1, 0}},
        {"a*", "bbb", {1, 0}, {1, 0}},
        {"a*", "", {1, 0}, {1, 0}},
        {"a", "xxab", {3, 1}, {3, 1}},
        {"a", "xyz", {0, 0}, {0, 0}},
        {"a", "", {0, 0}, {0, 0}},
        {"ab|abcd", "xabcde", {2, 4}, {2, 4}},
        {"b|abc", "abc", {1, 3}, {1, 3}},
        {"b+", "abbb", {2, 3}, {2, 3}},
        {"(ab)*c", "ababababd abc", {11, 3}, {11, 3}},
        {"a.c", "a\nc abc", {5, 3}, {5, 3}},
        {"[^a]+", "aa\x01\x7Fz\ra", {3, 3}, {3, 3}},
        {"x$y", "x$y", {1, 3}, {1, 3}},
        {"a^", "a^", {1, 2}, {1, 2}},
        // A literal ^ or $ inside the range of '.' or a class: both ways on.
        {"x^b|x.c", "x^b", {1, 3}, {1, 3}},
        {"x^b|x.c", "x^c", {1, 3}, {1, 3}},
        {"[A-Za-z]+", "@`[{az", {5, 2}, {5, 2}},
    });
}

TEST(REMatcher, Anchors) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    RunCases({
        {"^a|b", "b", {1, 1}, {1, 1}},
        {"^a|b", "xb", {2, 1}, {2, 1}},
        {"^b", "ab", {0, 0}, {0, 0}},
        {"^a", "xa\na", {4, 1}, {4, 1}},
        {"^a", "xa\ra", {0, 0}, {0, 0}},
        {"^$", "", {1, 0}, {1, 0}},
        {"^$", "a\n", {3, 0}, {3, 0}},
        {"^$", "abc", {0, 0}, {0, 0}},
        {"^$", "a\n\nb", {0, 0}, {3, 0}},  // under CRLF a line feed ends no line
        {"$", "abc", {4, 0}, {4, 0}},
        {"$", "", {1, 0}, {1, 0}},
        {"$", "ab\r\n", {3, 0}, {4, 0}},
        {"^abc$", "xx\nabc\r\n", {4, 3}, {0, 0}},
        {"^abc$", "xx\nabc\n", {0, 0}, {4, 3}},
        {"c$", "abc\n", {0, 0}, {3, 1}},
        {"c$", "abc\nd", {0, 0}, {3, 1}},
        {"c$", "abc\r\nd", {3, 1}, {0, 0}},
        {"c$", "abc", {3, 1}, {3, 1}},
        {"c$", "acbc", {4, 1}, {4, 1}},
        {"a*$", "baa", {2, 2}, {2, 2}},
        {"a*$", "b", {2, 0}, {2, 0}},
        // At a line head the unanchored branches count for the length too.
        {"^a|abc", "abc", {1, 3}, {1, 3}},
        {"^abc|a", "abc", {1, 3}, {1, 3}},
        {"^a|b", "xy\nab", {4, 1}, {4, 1}},
        {"a$|b", "ab", {2, 1}, {2, 1}},
        {"a$|b", "ba", {1, 1}, {1, 1}},
        {"(^a)*", "^a", {1, 2}, {1, 2}},
        {"(a$)*b", "a$a$b", {1, 5}, {1, 5}},
        // An anchored branch beside one that matches the empty string.
        {"^a|", "", {1, 0}, {1, 0}},
        {"|^a", "", {1, 0}, {1, 0}},
        {"^a|b*", "", {1, 0}, {1, 0}},
        {"^a|", "x", {1, 0}, {1, 0}},
        // $ where the pattern could also take the separator itself.
        {"a$|a\\nb", "a\nc", {0, 0}, {1, 1}},
        {"\\n?$", "\na", {3, 0}, {1, 0}},
        {"c\\n?$", "c\nd", {0, 0}, {1, 1}},
        {"a$|a\\rb", "a\rc", {1, 1}, {0, 0}},
        {"[\\r\\n]*$", "\r\nab", {1, 0}, {1, 1}},
        {"a.?$$", "a$\r", {1, 2}, {0, 0}},
        // Codes past any text character, written as escapes, are never
        // taken for an anchor's pseudo-character, nor it for them.
        {"^a|[\\xFF00-\\xFFFE]b", "a", {1, 1}, {1, 1}},
        {"^a|[\\xFF00-\\xFFFE]b", "b", {0, 0}, {0, 0}},
        {"a[\\xFFF0-\\xFFFE]|b$", "a", {0, 0}, {0, 0}},
    });
}

TEST(REMatcher, CodeZeroInAPatternEndsAtTheText) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    // Code 0 is never a text character, so it matches nothing; none of
    // these may loop at the terminator.
    RunCases({
        {"\\0*", "abc", {1, 0}, {1, 0}},
        {"a\\0*", "xa", {2, 1}, {2, 1}},
        {"a\\0", "a", {0, 0}, {0, 0}},
        {"[\\0-a]*", "aab", {1, 2}, {1, 2}},
        {"(\\0|a)*$", "aa", {1, 2}, {1, 2}},
        {"^(\\0|a)*", "", {1, 0}, {1, 0}},
        {"[^b]*", "aa", {1, 2}, {1, 2}},
    });
}

TEST(REMatcher, TextEndsAtItsFirstNul) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    Compiled re("b");
    EXPECT_EQ(re.Match(std::string("a\0b", 3)), Result(0, 0));
    Compiled tail("a$");
    EXPECT_EQ(tail.Match(std::string("a\0b", 3)), Result(1, 1));
}

TEST(REMatcher, DoubleByteText) {
    platform::TCodePageScope cp(platform::kCodePage932);
    RunCases({
        {".", "\x82\x60", {1, 2}, {1, 2}},
        {"..", "a\x82\x60" "b", {1, 3}, {1, 3}},
        {"`", "\x82\x60`", {3, 1}, {3, 1}},  // 0x60 is also the trail of the first character
        {"\x82\x60", "x\x82\x60", {2, 2}, {2, 2}},
        {"[^a]", "a\x82\x60", {2, 2}, {2, 2}},
        {"[\x82\x60-\x82\x79]+", "ab\x82\x61\x82\x79\x82\x7A", {3, 4}, {3, 4}},
        {"\\\\", "\x83\x5C\\", {3, 1}, {3, 1}},  // 0x5C as a trail byte is no backslash
        // A line feed as trail byte starts no line.
        {"^a", "\x82\na", {0, 0}, {0, 0}},
        // A lone lead byte at the end is taken alone and never overrun.
        {".*", "ab\x82", {1, 3}, {1, 3}},
        {"x", "\x82", {0, 0}, {0, 0}},
        {"a$", "a\x82", {0, 0}, {0, 0}},
        {"$", "a\x82", {3, 0}, {3, 0}},
    });
    // The same bytes under a single-byte page are separate characters.
    platform::TCodePageScope single(platform::kSingleByteCodePage);
    RunCases({
        {".", "\x82\x60", {1, 1}, {1, 1}},
        {"`", "\x82\x60`", {2, 1}, {2, 1}},
        {"^a", "\x82\na", {3, 1}, {3, 1}},
    });
}

TEST(RE_DFA, TransitionsSortedAndComplete) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    // The last three hold a literal ^ or $ inside the range of '.' or a class.
    for (const std::string pattern : {"[a-z]|[A-Z]+x", "(a|b|c|d)*[^b-c]", "ab|abcd|b+c?", "^(x|y)*z$", "x^b|x.c",
                                      "x^y|x[\\^-a]z", "a.?$$"}) {
        Compiled re(pattern);
        const auto& states = re.dfa->States();
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(re.dfa->StartState(), states.front().get());
        for (const auto& state : states) {
            EXPECT_EQ(state->Visited, 0xFFFF);
            const auto& ts = state->Transitions;
            // Sorted and disjoint, so that a lookup finds every way on.
            for (std::size_t i = 1; i < ts.size(); ++i) EXPECT_LT(ts[i - 1].CharEnd, ts[i].CharBegin) << pattern;
            for (const auto& t : ts) EXPECT_NE(t.NextState, nullptr);
        }
    }
}

TEST(RE_DFA, EqualSubsetsShareOneState) {
    // a|b both lead to the final state only: start plus one accepting state.
    Compiled re("a|b");
    EXPECT_EQ(re.dfa->States().size(), 2u);
    EXPECT_EQ(re.dfa->States()[0]->Accepting, 0);
    EXPECT_EQ(re.dfa->States()[1]->Accepting, 0xFFFF);
    // (a|b)*: the start state accepts and both letters loop back to a
    // state with the same subset.
    Compiled star("(a|b)*c");
    const TRE_DFAState* s0 = star.dfa->StartState();
    const TRE_DFAState* afterA = TREMatcher::NextDFAState(s0, 'a');
    ASSERT_NE(afterA, nullptr);
    EXPECT_EQ(TREMatcher::NextDFAState(s0, 'b'), afterA);
    EXPECT_EQ(TREMatcher::NextDFAState(afterA, 'a'), afterA);
}

TEST(RE_DFA, LookupOverSortedRanges) {
    Compiled re("[A-Za-z]");
    const TRE_DFAState* s0 = re.dfa->StartState();
    ASSERT_EQ(s0->Transitions.size(), 2u);
    EXPECT_EQ(s0->Transitions[0].CharBegin, 'A');
    EXPECT_EQ(s0->Transitions[1].CharBegin, 'a');
    for (TREChar code : {0x40, 0x5B, 0x60, 0x7B, 0xFFFD}) EXPECT_EQ(TREMatcher::NextDFAState(s0, code), nullptr) << code;
    for (TREChar code : {0x41, 0x5A, 0x61, 0x7A}) EXPECT_NE(TREMatcher::NextDFAState(s0, code), nullptr) << code;
}

TEST(RE_DFA, LiteralAnchorAndAClassAroundItBothLeadOn) {
    // A literal ^ (not at the entry) and a class starting at ^ leave one
    // state; ^ itself must lead on along both branches.
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    Compiled re("x^y|x[\\^-a]z");
    EXPECT_EQ(re.Match("x^y"), Result(1, 3));
    EXPECT_EQ(re.Match("x_z"), Result(1, 3));
    EXPECT_EQ(re.Match("x^z"), Result(1, 3));
    EXPECT_EQ(re.Match("x_y"), Result(0, 0));
}

TEST(REMatcher, IsLineSeparator) {
    Compiled re("a");
    TREMatcher crlf(*re.dfa, kLineHeadCode, kLineTailCode, mcls_CRLF);
    TREMatcher lf(*re.dfa, kLineHeadCode, kLineTailCode, mcls_LF);
    EXPECT_TRUE(crlf.IsLineSeparator(13));
    EXPECT_FALSE(crlf.IsLineSeparator(10));
    EXPECT_TRUE(lf.IsLineSeparator(10));
    EXPECT_FALSE(lf.IsLineSeparator(13));
    EXPECT_FALSE(lf.IsLineSeparator(0));
}

TEST(RE_DFA, RequiredBytesAreTheCharactersNoMatchCanDoWithout) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[Tt][Oo]:.*@", ":@"},
        {"[Ff][Rr][Oo][Mm]:.*@", ":@"},
        {"ab*c", "ac"},
        {"(a|ab)c", "ac"},
        {"x(y|z)*", "x"},
        {"a|b", ""},      // either will do
        {"[ab]c", "c"},   // a class lets a path through on its other member
        {"a*", ""},       // the empty match needs nothing
        {"(ab)*c", "c"},
        {"edcbaz", "abcd"},  // at most four, the lowest first
        {"\\x41\\x42", "AB"},  // escapes name the character too
    };
    for (const auto& [pattern, required] : cases) {
        Compiled re(pattern);
        const auto& bytes = re.dfa->RequiredBytes();
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), required) << pattern;
    }
}

TEST(REMatcher, TextsLackingARequiredByteStillMatchAsBefore) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    RunCases({
        {"[Tt][Oo]:.*@", "To: nobody\r\nFrom: nobody", {0, 0}, {0, 0}},
        {"[Tt][Oo]:.*@", "To: a@b", {1, 6}, {1, 6}},
        {"[Tt][Oo]:.*@", "to: x\nto:@", {7, 4}, {7, 4}},
        {"ab*c", "abbbb", {0, 0}, {0, 0}},
        {"ab*c", "xabbc", {2, 4}, {2, 4}},
    });
}

}  // namespace
}  // namespace tervaline::regex
