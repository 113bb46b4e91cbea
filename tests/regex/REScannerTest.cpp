#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "regex/ERegExpParser.h"
#include "regex/REChar.h"
#include "regex/REScanner.h"

namespace tervaline::regex {
namespace {

using platform::TCodePageScope;

struct Tok {
    TRETokenKind kind;
    TREChar begin;
    TREChar end;  // compared for ranges only
    bool operator==(const Tok& o) const {
        return kind == o.kind && begin == o.begin && (kind != retk_CharRange || end == o.end);
    }
};

void PrintTo(const Tok& t, std::ostream* os) {
    *os << "{" << int(t.kind) << "," << t.begin << "," << t.end << "}";
}

std::vector<Tok> Tokens(const std::string& pattern) {
    TREScanner scanner(pattern);
    std::vector<Tok> out;
    while (scanner.GetToken() != retk_End) out.push_back({scanner.Token, scanner.CharBegin, scanner.CharEnd});
    return out;
}

Tok C(TREChar c) { return {retk_Char, c, 0}; }
Tok R(TREChar a, TREChar b) { return {retk_CharRange, a, b}; }
Tok K(TRETokenKind k, TREChar c) { return {k, c, 0}; }

TEST(REScanner, TokenStreams) {
    TCodePageScope cp(platform::kSingleByteCodePage);
    struct Case {
        std::string pattern;
        std::vector<Tok> tokens;
    } cases[] = {
        {"", {}},
        {std::string("a\0b", 3), {C('a')}},
        {"a|(b)*+?.^$]", {C('a'), K(retk_Union, '|'), K(retk_LPar, '('), C('b'), K(retk_RPar, ')'),
                          K(retk_Star, '*'), K(retk_Plus, '+'), K(retk_QMark, '?'), K(retk_Dot, '.'),
                          K(retk_LHead, '^'), K(retk_LTail, '$'), K(retk_RBra, ']')}},
        {"{-}", {C('{'), C('-'), C('}')}},
        {"[a-]", {K(retk_LBra, '['), C('a'), C('-'), K(retk_RBra, ']')}},
        {"[-a]", {K(retk_LBra, '['), C('-'), C('a'), K(retk_RBra, ']')}},
        {"[--/]", {K(retk_LBra, '['), R('-', '/'), K(retk_RBra, ']')}},
        {"[^^.*(]", {K(retk_LBraNeg, '['), C('^'), C('.'), C('*'), C('('), K(retk_RBra, ']')}},
        {"[\\]\\-]", {K(retk_LBra, '['), C(']'), C('-'), K(retk_RBra, ']')}},
        {"[\\x41-\\x43x]", {K(retk_LBra, '['), R('A', 'C'), C('x'), K(retk_RBra, ']')}},
        {"[a\\-z]", {K(retk_LBra, '['), C('a'), C('-'), C('z'), K(retk_RBra, ']')}},
        {"[a-a]", {K(retk_LBra, '['), R('a', 'a'), K(retk_RBra, ']')}},
        {"\\]", {C(']')}},
        {"\\x41", {C('A')}},
        {"\\x4142", {C(0x4142)}},
        {"\\x12345", {C(0x1234), C('5')}},
        {"\\xaF", {C(0xAF)}},
        {"\\101", {C('A')}},
        {"\\0", {C(0)}},
        {"\\177777", {C(0xFFFF)}},
        {"\\1777771", {C(0xFFFF), C('1')}},
        {"\\8", {C('8')}},
        {"\\b\\n\\r\\t\\a\\*", {C(8), C(10), C(13), C(9), C('a'), C('*')}},
    };
    for (const auto& c : cases) EXPECT_EQ(Tokens(c.pattern), c.tokens) << c.pattern;
}

TEST(REScanner, EndIsSticky) {
    TREScanner scanner(std::string("a\0b", 3));
    EXPECT_EQ(scanner.GetToken(), retk_Char);
    EXPECT_EQ(scanner.GetToken(), retk_End);
    EXPECT_EQ(scanner.GetToken(), retk_End);
    EXPECT_EQ(scanner.Token, retk_End);
}

TEST(REScanner, SetTextLeavesClassMode) {
    TREScanner scanner("[ab");
    EXPECT_EQ(scanner.GetToken(), retk_LBra);
    EXPECT_TRUE(scanner.InCharClass);
    EXPECT_EQ(scanner.GetToken(), retk_Char);
    EXPECT_THROW(scanner.GetToken(), ERegExpParser);
    scanner.SetText("*");
    EXPECT_FALSE(scanner.InCharClass);
    EXPECT_EQ(scanner.GetToken(), retk_Star);
    EXPECT_EQ(scanner.GetToken(), retk_End);
}

TEST(REScanner, Errors) {
    TCodePageScope cp(platform::kSingleByteCodePage);
    struct Case {
        std::string pattern;
        const char* message;
        int pos;
    } cases[] = {
        {"[", kMsgNeedRightBracket, 2},
        {"[abc", kMsgNeedRightBracket, 5},
        {"[a-", kMsgNeedRightBracket, 4},
        {"[a", kMsgNeedRightBracket, 3},
        {"[^", kMsgNeedRightBracket, 3},
        {"[z-a]", kMsgBadCharRange, 5},
        {"[\\x42-\\x41]", kMsgBadCharRange, 11},
        {"\\", kMsgNeedCharAfterBackslash, 2},
        {"ab\\", kMsgNeedCharAfterBackslash, 4},
        {"\\xg", kMsgBadHexCode, 4},
        {"\\x", kMsgBadHexCode, 3},
        {"\\200000", kMsgBadOctCode, 8},
        {"[\\", kMsgNeedCharAfterBackslash, 3},
    };
    for (const auto& c : cases) {
        try {
            Tokens(c.pattern);
            ADD_FAILURE() << "no error for " << c.pattern;
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), c.message) << c.pattern;
            EXPECT_EQ(e.ErrorPos, c.pos) << c.pattern;
        }
    }
}

TEST(REScanner, LoneLeadByteAtTheEnd) {
    TCodePageScope cp(platform::kCodePage932);
    for (const std::string pattern : {"ab\x82", "[a\x82", "\\\x82", "\x82\x60\x82"}) {
        try {
            Tokens(pattern);
            ADD_FAILURE() << "no error";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), kMsgBadDoubleByte);
            EXPECT_EQ(e.ErrorPos, pattern.size());
        }
    }
}

TEST(REScanner, DoubleByteCharacters) {
    TCodePageScope cp(platform::kCodePage932);
    // The trail byte 0x5C is no backslash and 0x5B no bracket.
    EXPECT_EQ(Tokens("\x83\x5C\x83\x5B"), (std::vector<Tok>{C(0x835C), C(0x835B)}));
    EXPECT_EQ(Tokens("[\x82\x60-\x82\x79]"),
              (std::vector<Tok>{K(retk_LBra, '['), R(0x8260, 0x8279), K(retk_RBra, ']')}));
    // Under a single-byte page the same bytes are separate characters, and
    // 0x5C is the backslash escaping the star.
    TCodePageScope single(platform::kSingleByteCodePage);
    EXPECT_EQ(Tokens("\x83\x5C*"), (std::vector<Tok>{C(0x83), C('*')}));
}

TEST(REChar, UnGetStepsOverWholeCharacters) {
    TCodePageScope cp(platform::kCodePage932);
    // 0x82 0x82 0x82 0x60: the first two bytes form one character, the
    // last two another; the run of lead values decides which byte is a trail.
    const std::string text = "a\x82\x82\x82\x60" "b";
    struct Case {
        int from;
        int to;
    } cases[] = {{1, 1}, {2, 1}, {4, 2}, {6, 4}, {7, 6}, {0, 0}};
    for (const auto& c : cases) {
        std::int32_t pos = c.from;
        UnGetREChar(text, pos);
        EXPECT_EQ(pos, c.to) << c.from;
    }
    std::int32_t pos = 2;
    EXPECT_EQ(GetREChar(text, pos), 0x8282);
    EXPECT_EQ(GetREChar(text, pos), 0x8260);
    EXPECT_EQ(GetREChar(text, pos), 'b');
    EXPECT_EQ(GetREChar(text, pos), 0);
    EXPECT_EQ(pos, 7);
}

TEST(REChar, FetchNeverLeavesTheText) {
    TCodePageScope cp(platform::kCodePage932);
    const char text[] = "\x82\x60z\x82";
    const char* cursor = text;
    EXPECT_EQ(FetchREChar(cursor), 0x8260);
    EXPECT_EQ(cursor, text + 2);
    EXPECT_EQ(FetchREChar(cursor), 'z');
    EXPECT_EQ(FetchREChar(cursor), 0x82);  // lone lead byte: taken alone
    EXPECT_EQ(cursor, text + 4);
    EXPECT_EQ(FetchREChar(cursor), 0);
    EXPECT_EQ(FetchREChar(cursor), 0);
    EXPECT_EQ(cursor, text + 4);
}

TEST(REChar, CharToStr) {
    TCodePageScope cp(platform::kCodePage932);
    EXPECT_EQ(RECharToStr('A'), "A");
    EXPECT_EQ(RECharToStr(0x4142), "B");
    EXPECT_EQ(RECharToStr(0x8260), "\x82\x60");
    EXPECT_EQ(RECharToStr(0), std::string(1, '\0'));
    TCodePageScope single(platform::kSingleByteCodePage);
    EXPECT_EQ(RECharToStr(0x8260), "\x60");
}

}  // namespace
}  // namespace tervaline::regex
