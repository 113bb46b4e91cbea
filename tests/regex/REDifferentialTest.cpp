// Compares the engine with the C library's POSIX extended expressions,
// which also report the leftmost, then longest match. Patterns are drawn
// from the syntax on which both agree: literals, '.', plain and negated
// classes, groups, alternation, one postfix operator per operand, and
// anchors around the whole pattern. Texts hold no line breaks, so ^ and $
// mean the ends of the text in both.
#include <gtest/gtest.h>
#include <regex.h>

#include <cstdint>
#include <random>
#include <string>

#include "RETestSupport.h"
#include "platform/CodePage.h"

namespace tervaline::regex {
namespace {

class PatternGenerator {
public:
    explicit PatternGenerator(std::uint32_t seed) : rng_(seed) {}

    std::string Pattern() {
        std::string body = Alternation(3);
        const unsigned anchors = Pick(6);
        if (anchors == 0) return "^(" + body + ")";
        if (anchors == 1) return "(" + body + ")$";
        if (anchors == 2) return "^(" + body + ")$";
        return body;
    }

    std::string Text() {
        std::string text;
        for (unsigned n = Pick(9); n > 0; --n) text += static_cast<char>('a' + Pick(4));
        return text;
    }

private:
    unsigned Pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }

    std::string Alternation(int depth) {
        std::string s = Sequence(depth);
        while (Pick(4) == 0) s += "|" + Sequence(depth);
        return s;
    }

    std::string Sequence(int depth) {
        std::string s = Factor(depth);
        for (unsigned n = Pick(3); n > 0; --n) s += Factor(depth);
        return s;
    }

    std::string Factor(int depth) {
        std::string s = Atom(depth);
        static const char* const kPostfix[] = {"", "", "", "*", "+", "?"};
        return s + kPostfix[Pick(6)];
    }

    std::string Atom(int depth) {
        switch (Pick(depth > 0 ? 8 : 6)) {
            case 0: return ".";
            case 1: return "[" + Members() + "]";
            case 2: return "[^" + Members() + "]";
            case 6:
            case 7: return "(" + Alternation(depth - 1) + ")";
            default: return std::string(1, static_cast<char>('a' + Pick(3)));
        }
    }

    std::string Members() {
        if (Pick(3) == 0) {
            const char a = static_cast<char>('a' + Pick(3));
            return std::string{a, '-', static_cast<char>(a + Pick(3))};
        }
        std::string s(1, static_cast<char>('a' + Pick(3)));
        if (Pick(2) == 0) s += static_cast<char>('a' + Pick(4));
        return s;
    }

    std::mt19937 rng_;
};

TEST(REDifferential, AgreesWithPosixExtendedExpressions) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    PatternGenerator gen(20261207u);
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string pattern = gen.Pattern();
        regex_t posix;
        ASSERT_EQ(regcomp(&posix, pattern.c_str(), REG_EXTENDED), 0) << pattern;
        testing::Compiled mine(pattern);
        for (int k = 0; k < 4; ++k) {
            const std::string text = gen.Text();
            regmatch_t m[1];
            std::pair<int, int> expected{0, 0};
            if (regexec(&posix, text.c_str(), 1, m, 0) == 0) {
                expected = {static_cast<int>(m[0].rm_so) + 1, static_cast<int>(m[0].rm_eo - m[0].rm_so)};
            }
            EXPECT_EQ(mine.Match(text), expected) << "/" << pattern << "/ on \"" << text << "\"";
            ++compared;
        }
        regfree(&posix);
    }
    EXPECT_EQ(compared, 12000);
}

}  // namespace
}  // namespace tervaline::regex
