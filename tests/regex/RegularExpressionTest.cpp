#include "regex/RegularExpression.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"

namespace tervaline::regex {
namespace {

// Counts the compilations that reach the automaton builder.
class TCountingAWKStr : public TAWKStr {
public:
    TCountingAWKStr() : TAWKStr(nullptr) {}
    int compiles = 0;

protected:
    void CompileRegExp(const std::string& pattern) override {
        ++compiles;
        TAWKStr::CompileRegExp(pattern);
    }
};

std::string Pattern(int n) { return "p" + std::to_string(n); }

// Assigns Pattern(0) .. Pattern(count - 1), oldest first.
void Fill(TCountingAWKStr& re, int count) {
    for (int n = 0; n < count; ++n) re.SetRegExp(Pattern(n));
}

TEST(RegularExpressionCache, StartsWithTheEmptyPatternOnly) {
    TCountingAWKStr re;
    EXPECT_EQ(re.DFACacheCount(), 1);
    EXPECT_EQ(re.DFACacheKey(0), "");
    EXPECT_EQ(re.DFAIndex(), 0);
    EXPECT_EQ(re.RegExp(), "");
    EXPECT_FALSE(re.HasLineHead());
    EXPECT_FALSE(re.HasLineTail());
}

TEST(RegularExpressionCache, FillsNewestFirstAndEvictsTheOldest) {
    TCountingAWKStr re;
    Fill(re, 29);
    ASSERT_EQ(re.DFACacheCount(), 30);
    EXPECT_EQ(re.compiles, 29);
    EXPECT_EQ(re.DFACacheKey(1), Pattern(28));
    EXPECT_EQ(re.DFACacheKey(29), Pattern(0));

    re.SetRegExp(Pattern(29));
    EXPECT_EQ(re.DFACacheCount(), 30);
    EXPECT_EQ(re.DFAIndex(), 1);
    EXPECT_EQ(re.DFACacheKey(1), Pattern(29));
    EXPECT_EQ(re.DFACacheKey(29), Pattern(1));
    EXPECT_EQ(re.FindCachedDFA(Pattern(0)), -1);
    EXPECT_EQ(re.DFACacheKey(0), "");
}

TEST(RegularExpressionCache, AHitCompilesNothingAndKeepsItsPlace) {
    TCountingAWKStr re;
    Fill(re, 29);
    re.SetRegExp(Pattern(5));
    EXPECT_EQ(re.compiles, 29);
    EXPECT_EQ(re.DFAIndex(), 29 - 5);
    EXPECT_EQ(re.DFACacheKey(1), Pattern(28));
    EXPECT_EQ(re.RegExp(), Pattern(5));

    // A hit did not refresh Pattern(0): it is still the next to go.
    re.SetRegExp(Pattern(0));
    re.SetRegExp("new");
    EXPECT_EQ(re.FindCachedDFA(Pattern(0)), -1);
    EXPECT_EQ(re.compiles, 30);

    re.SetRegExp("");
    EXPECT_EQ(re.DFAIndex(), 0);
    EXPECT_EQ(re.compiles, 30);
}

TEST(RegularExpressionCache, FailedAssignmentLeavesTheEmptyPatternCurrent) {
    TCountingAWKStr re;
    re.SetRegExp("ab");
    EXPECT_THROW(re.SetRegExp("a("), ERegExpParser);
    EXPECT_EQ(re.RegExp(), "");
    EXPECT_EQ(re.DFAIndex(), 0);
    EXPECT_EQ(re.FindCachedDFA("a("), -1);
    EXPECT_EQ(re.DFACacheCount(), 2);

    std::int32_t start = -1, length = -1;
    EXPECT_EQ(re.Match("xyz", start, length), 1);
    EXPECT_EQ(length, 0);

    const int before = re.compiles;
    re.SetRegExp("ab");
    EXPECT_EQ(re.compiles, before);
    EXPECT_EQ(re.Match("xab", start, length), 2);
}

TEST(RegularExpressionCache, FailedAssignmentStillEvictsWhenFull) {
    TCountingAWKStr re;
    Fill(re, 29);
    EXPECT_THROW(re.SetRegExp("(a"), ERegExpParser);
    EXPECT_EQ(re.DFACacheCount(), 29);
    EXPECT_EQ(re.FindCachedDFA(Pattern(0)), -1);
    EXPECT_EQ(re.DFACacheKey(1), Pattern(28));
}

TEST(RegularExpressionCache, PreprocessorFailureKeepsThePreviousPattern) {
    TCountingAWKStr re;
    re.SetRegExp("ab");
    re.SetUseSynonymDic(true);
    EXPECT_THROW(re.SetRegExp("[a"), ERegExpParser);
    EXPECT_EQ(re.RegExp(), "ab");
    EXPECT_EQ(re.DFAIndex(), 1);
    EXPECT_EQ(re.DFACacheCount(), 2);
}

TEST(RegularExpressionCache, DictionaryFlagRecompilesUnderTheRewrittenKey) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    TCountingAWKStr re;
    re.SetRegExp("a");
    std::int32_t start = 0, length = 0;
    EXPECT_EQ(re.Match("x\x82\x60", start, length), 0);

    re.SetUseFuzzyCharDic(true);
    EXPECT_TRUE(re.UseFuzzyCharDic());
    EXPECT_EQ(re.RegExp(), "a");
    EXPECT_EQ(re.DFACacheKey(re.DFAIndex()), "(\x82\x60|\x82\x81|A|a)");
    EXPECT_EQ(re.compiles, 2);
    EXPECT_EQ(re.Match("x\x82\x60", start, length), 2);
    EXPECT_EQ(length, 2);

    re.SetUseFuzzyCharDic(false);
    EXPECT_EQ(re.compiles, 2);
    EXPECT_EQ(re.DFACacheKey(re.DFAIndex()), "a");
}

TEST(RegularExpressionCache, FlagIsKeptWhenRecompilingFails) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    // A member ending in a lone lead byte cannot be written out.
    const TDictionary broken = {{"q", "\x82"}};
    TCountingAWKStr re;
    re.FuzzyCharDicList().insert(re.FuzzyCharDicList().begin(), &broken);
    re.SetRegExp("q");
    EXPECT_THROW(re.SetUseFuzzyCharDic(true), ERegExpParser);
    EXPECT_TRUE(re.UseFuzzyCharDic());
    EXPECT_EQ(re.RegExp(), "q");
    EXPECT_EQ(re.DFACacheKey(re.DFAIndex()), "q");
}

}  // namespace
}  // namespace tervaline::regex
