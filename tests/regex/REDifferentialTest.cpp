// Compares the engine with the C library's POSIX extended expressions,
// which also report the leftmost, then longest match. Patterns are drawn
// from the syntax on which both agree: literals, '.', plain and negated
// classes, groups, alternation, one postfix operator per operand, and
// anchors where both read them as anchors.
//
// The first comparison keeps texts free of line breaks, so ^ and $ mean the
// ends of the text. The others put line feeds into texts and patterns and
// match by lines (REG_NEWLINE against the line feed separator), with ^ and
// $ on single branches and $ next to an optional line feed; and bare ^ and
// $ where the engine takes them as literals. POSIX has no bare literal
// anchor, so the reference there is the same pattern with those escaped:
// the generator marks each one it places where the engine cannot read it
// as an anchor (after the first factor of a sequence, or before another).
#include <gtest/gtest.h>

#if TERVALINE_POSIX
#include <regex.h>

#include <cstdint>
#include <random>
#include <string>

#include "RETestSupport.h"
#include "platform/CodePage.h"

namespace tervaline::regex {
namespace {

// Stand-ins for a bare ^ or $ that is a literal, until the pattern is
// written out for one side or the other.
constexpr char kLiteralHead = '\x01';
constexpr char kLiteralTail = '\x02';

std::string ForEngine(const std::string& marked) {
    std::string s;
    for (const char c : marked) s += c == kLiteralHead ? '^' : c == kLiteralTail ? '$' : c;
    return s;
}

std::string ForPosix(const std::string& marked) {
    std::string s;
    for (const char c : marked) {
        if (c == kLiteralHead) {
            s += "\\^";
        } else if (c == kLiteralTail) {
            s += "\\$";
        } else {
            s += c;
        }
    }
    return s;
}

// Line feeds written as \n, so that a failure reads on one line.
std::string Shown(const std::string& s) {
    std::string out;
    for (const char c : s) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// What a pattern may hold beyond the first comparison's syntax.
struct Features {
    bool lines = false;           // line feeds; ^ and $ per branch
    bool literalAnchors = false;  // bare ^ and $ that stand for themselves
};

class PatternGenerator {
public:
    explicit PatternGenerator(std::uint32_t seed, Features features = {}) : rng_(seed), features_(features) {}

    // With literal anchors marked (see ForEngine and ForPosix).
    std::string Pattern() {
        if (features_.lines || features_.literalAnchors) return Branches();
        std::string body = Alternation(3);
        const unsigned anchors = Pick(6);
        if (anchors == 0) return "^(" + body + ")";
        if (anchors == 1) return "(" + body + ")$";
        if (anchors == 2) return "^(" + body + ")$";
        return body;
    }

    std::string Text() {
        std::string text;
        if (features_.lines || features_.literalAnchors) {
            std::string alphabet = "abc";
            if (features_.lines) alphabet += "\n\n";
            if (features_.literalAnchors) alphabet += "^$";
            for (unsigned n = Pick(9); n > 0; --n) text += alphabet[Pick(static_cast<unsigned>(alphabet.size()))];
            return text;
        }
        for (unsigned n = Pick(9); n > 0; --n) text += static_cast<char>('a' + Pick(4));
        return text;
    }

private:
    unsigned Pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }

    // Top-level branches, each with or without an anchoring ^ and $: some
    // empty, some ending in a line feed that may or may not be there.
    std::string Branches() {
        std::string s;
        for (unsigned i = 0, n = 1 + Pick(3); i < n; ++i) {
            if (i > 0) s += "|";
            const bool head = Pick(3) == 0;
            std::string branch = head ? "^" : "";
            if (Pick(5) != 0) branch += Sequence(2, !head);
            static const char* const kTails[] = {"", "", "", "$", "\n?$", "\n*$", "[\nb]*$", "(\n|a)?$", "\n$"};
            std::string tail = features_.lines ? kTails[Pick(9)] : Pick(3) == 0 ? "$" : "";
            if (features_.literalAnchors && !tail.empty() && Pick(4) == 0) tail = kLiteralTail + tail;
            s += branch + tail;
        }
        return s;
    }

    std::string Alternation(int depth, bool first = true) {
        std::string s = Sequence(depth, first);
        while (Pick(4) == 0) s += "|" + Sequence(depth, first);
        return s;
    }

    // First: the sequence may stand where a ^ would anchor.
    std::string Sequence(int depth, bool first = true) {
        std::string s = Factor(depth, first);
        for (unsigned n = Pick(3); n > 0; --n) s += Factor(depth, false);
        return s;
    }

    std::string Factor(int depth, bool first) {
        std::string s = Atom(depth, first);
        static const char* const kPostfix[] = {"", "", "", "*", "+", "?"};
        return s + kPostfix[Pick(6)];
    }

    std::string Atom(int depth, bool first) {
        if ((features_.lines || features_.literalAnchors) && Pick(4) == 0) return FeatureAtom(first);
        switch (Pick(depth > 0 ? 8 : 6)) {
            case 0: return ".";
            case 1: return "[" + Members() + "]";
            case 2: return "[^" + Members() + "]";
            case 6:
            case 7: return "(" + Alternation(depth - 1, first) + ")";
            default: return std::string(1, static_cast<char>('a' + Pick(3)));
        }
    }

    std::string FeatureAtom(bool first) {
        if (features_.lines && (!features_.literalAnchors || Pick(2) == 0)) {
            static const char* const kLineAtoms[] = {"\n", "[\nb]", "[^\n]"};
            return kLineAtoms[Pick(3)];
        }
        // Classes and '.' whose ranges hold the codes of ^ or $; a $ always
        // has a letter after it, so it never ends a sequence.
        switch (Pick(8)) {
            case 0: return first ? "a" : std::string(1, kLiteralHead);
            case 1: return std::string(1, kLiteralTail) + static_cast<char>('a' + Pick(2));
            case 2: return "[Z-a]";
            case 3: return "[#-%]";
            case 4: return "[$^]";
            case 5: return "[^^]";
            case 6: return "[^$]";
            default: return ".";
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
    Features features_;
};

// Compares Patterns patterns, each on four texts; answers the number of
// comparisons made.
int Compare(PatternGenerator& gen, int patterns, int posixFlags, TMatchCORE_LineSeparator separator) {
    int compared = 0;
    for (int i = 0; i < patterns; ++i) {
        const std::string marked = gen.Pattern();
        const std::string pattern = ForEngine(marked);
        const std::string reference = ForPosix(marked);
        regex_t posix;
        if (regcomp(&posix, reference.c_str(), REG_EXTENDED | posixFlags) != 0) {
            ADD_FAILURE() << "regcomp rejects /" << reference << "/";
            continue;
        }
        testing::Compiled mine(pattern);
        for (int k = 0; k < 4; ++k) {
            const std::string text = gen.Text();
            regmatch_t m[1];
            std::pair<int, int> expected{0, 0};
            if (regexec(&posix, text.c_str(), 1, m, 0) == 0) {
                expected = {static_cast<int>(m[0].rm_so) + 1, static_cast<int>(m[0].rm_eo - m[0].rm_so)};
            }
            EXPECT_EQ(mine.Match(text, separator), expected)
                << "/" << Shown(pattern) << "/ (POSIX /" << Shown(reference) << "/) on \"" << Shown(text) << "\"";
            ++compared;
        }
        regfree(&posix);
    }
    return compared;
}

TEST(REDifferential, AgreesWithPosixExtendedExpressions) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    PatternGenerator gen(20261207u);
    EXPECT_EQ(Compare(gen, 3000, 0, mcls_CRLF), 12000);
}

TEST(REDifferential, AgreesWithPosixLineByLine) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    PatternGenerator gen(20261208u, Features{.lines = true});
    EXPECT_EQ(Compare(gen, 3000, REG_NEWLINE, mcls_LF), 12000);
}

TEST(REDifferential, BareAnchorsAreLiteralsWhereTheyCannotAnchor) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    PatternGenerator gen(20261209u, Features{.literalAnchors = true});
    EXPECT_EQ(Compare(gen, 2000, 0, mcls_CRLF), 8000);
    PatternGenerator lines(20261210u, Features{.lines = true, .literalAnchors = true});
    EXPECT_EQ(Compare(lines, 2000, REG_NEWLINE, mcls_LF), 8000);
}

}  // namespace
}  // namespace tervaline::regex
#else
TEST(REDifferential, NeedsTheCLibrarysPosixExpressions) {
    GTEST_SKIP() << "the reference, the C library's POSIX regular expressions, is not part of this system";
}
#endif
