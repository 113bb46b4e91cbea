#include "regex/REPreProcessor.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "regex/ERegExpParser.h"

namespace tervaline::regex {
namespace {

// A built-in group written out as the preprocessor writes it; only for
// groups without metacharacters, which need no quoting.
std::string Group(std::size_t index) {
    std::string out = "(";
    const TDictionaryGroup& group = DefaultFuzzyCharDic().at(index);
    for (std::size_t m = 0; m < group.size(); ++m) out += (m ? "|" : "") + group[m];
    return out + ")";
}

std::string Preprocess(const std::string& pattern, bool fuzzy, bool synonym = false,
                       const TDictionary* synonyms = nullptr, bool registerDefault = true) {
    TREPreProcessor pre("");
    if (registerDefault) pre.FuzzyCharDic().push_back(&DefaultFuzzyCharDic());
    if (synonyms) pre.SynonymDic().push_back(synonyms);
    pre.SetUseFuzzyCharDic(fuzzy);
    pre.SetUseSynonymDic(synonym);
    pre.SetText(pattern);
    pre.Run();
    return pre.ProcessedRegExpStr();
}

class PreProcessorTest : public ::testing::Test {
protected:
    platform::TCodePageScope codePage{platform::kCodePage932};
};

TEST_F(PreProcessorTest, WithoutPassesThePatternIsUnchanged) {
    for (const char* pattern : {"", "a(b|c)*", "\\x41.", "[abc"}) {
        EXPECT_EQ(Preprocess(pattern, false), pattern);
    }
}

struct TRewrite {
    const char* name;
    std::string pattern;
    std::string expected;
};

TEST_F(PreProcessorTest, FuzzyPassRewritesPlainCharacters) {
    const std::string a = Group(0), b = Group(1);
    const TRewrite cases[] = {
        {"letter", "a", a},
        {"two letters", "ab", a + b},
        {"escaped letter keeps group", "\\x41", a},
        {"escaped dot", "\\.", "(\xa1|\\.|\x81\x42|\x81\x44)"},
        {"operators copied", "a.b*", a + "." + b + "*"},
        {"anchors and groups copied", "^(a|b)+$", "^(" + a + "|" + b + ")+$"},
        {"class copied", "[a]", "[a]"},
        {"negated class copied", "[^a]", "[^a]"},
        {"range copied", "[a-z]b", "[a-z]" + b},
        {"long vowel becomes optional", "\x81\x5b", "(\x81\x5b|\x81\x60|\xb0|)"},
        {"hyphen", "-", "(-|\x81\x5b|\x81\x7c|\x81\x60|\xb0)"},
        {"half-width voiced ka", "\xb6\xde", Group(73)},
        {"hiragana ka with voicing mark", "\x82\xa9\x81\x4a", Group(73)},
        {"katakana ka with voicing mark", "\x83\x4a\x81\x4a", Group(73)},
        {"vu-a", "\x83\x94\x83\x40", Group(86)},
        {"final vu", "\x83\x94", Group(88)},
        {"vu before another letter", "\x83\x94x", Group(88) + Group(23)},
        {"u then small a is not wa", "\x82\xa4\x82\x9f", Group(98) + Group(96)},
        {"trail byte 0x5c is not quoted", "\x83\x5c", Group(110)},
        {"character in no group", "\x88\x9f", "\x88\x9f"},
        {"empty pattern", "", ""},
    };
    for (const TRewrite& c : cases) {
        EXPECT_EQ(Preprocess(c.pattern, true), c.expected) << c.name;
    }
}

TEST_F(PreProcessorTest, FuzzyPassWithoutDictionaryCopies) {
    EXPECT_EQ(Preprocess("ab\\.", true, false, nullptr, false), "ab\\.");
}

TEST_F(PreProcessorTest, SynonymPassWithEmptyListCopiesAfterRescanning) {
    EXPECT_EQ(Preprocess("a[b-c]\\x41", false, true), "a[b-c]\\x41");
}

TEST_F(PreProcessorTest, SynonymWordsAreExpandedAgainByFuzzyPass) {
    const TDictionary synonyms = {{"ab", "cd"}};
    EXPECT_EQ(Preprocess("xab", false, true, &synonyms), "x(ab|cd)");
    EXPECT_EQ(Preprocess("ab", true, true, &synonyms),
              "(" + Group(0) + Group(1) + "|" + Group(2) + Group(3) + ")");
}

struct TScanFault {
    std::string pattern;
    const char* message;
};

TEST_F(PreProcessorTest, ScannerErrorsSurfaceFromEitherPass) {
    const TScanFault faults[] = {
        {"a[bc", kMsgNeedRightBracket},
        {"a\\", kMsgNeedCharAfterBackslash},
        {"\\xg", kMsgBadHexCode},
        {"a\x82", kMsgBadDoubleByte},
    };
    for (const TScanFault& f : faults) {
        for (const bool fuzzy : {true, false}) {
            try {
                Preprocess(f.pattern, fuzzy, !fuzzy);
                ADD_FAILURE() << "no error for " << f.pattern;
            } catch (const ERegExpParser& e) {
                EXPECT_STREQ(e.what(), f.message) << f.pattern;
            }
        }
    }
}

TEST_F(PreProcessorTest, SetTextRestartsAfterAFailedPass) {
    TREPreProcessor pre("");
    pre.SetUseSynonymDic(true);
    pre.SetText("[a");
    EXPECT_THROW(pre.Run(), ERegExpParser);
    pre.SetText("b]");
    pre.Run();
    EXPECT_EQ(pre.ProcessedRegExpStr(), "b]");
}

TEST(QuoteMetaChars, EscapesTheTwelveMetacharacters) {
    platform::TCodePageScope codePage(platform::kCodePage932);
    EXPECT_EQ(QuoteMetaChars("^(|)+*?.[]$\\-a{"), "\\^\\(\\|\\)\\+\\*\\?\\.\\[\\]\\$\\\\-a{");
    EXPECT_EQ(QuoteMetaChars("\x83\x5c."), "\x83\x5c\\.");
}

TEST(QuoteMetaChars, SingleByteCodePageQuotesEveryByte) {
    platform::TCodePageScope codePage(platform::kSingleByteCodePage);
    EXPECT_EQ(QuoteMetaChars("\x83\x5c"), "\x83\\\\");
}

}  // namespace
}  // namespace tervaline::regex
