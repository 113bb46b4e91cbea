#include <gtest/gtest.h>

#include <string>

#include "RETestSupport.h"
#include "platform/CodePage.h"

namespace tervaline::regex {
namespace {

using testing::LeafRanges;
using testing::Shape;

struct Parsed {
    std::string shape;
    std::string leaves;
};

Parsed Parse(const std::string& pattern) {
    TREParser parser(pattern);
    parser.Run();
    return {Shape(parser.ParseTree().RootNode()), LeafRanges(parser.ParseTree())};
}

TEST(REParser, TreeShapes) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    struct Case {
        std::string pattern;
        std::string shape;
        std::string leaves;  // empty: not checked
    } cases[] = {
        {"", "e", ""},
        {"()", "e", ""},
        {"a|", "U(a,e)", ""},
        {"|a", "U(e,a)", ""},
        {"ab+", "C(a,C(b,*(b)))", "{61-61} {62-62}"},
        {"a?", "U(a,e)", ""},
        {"a*b|c", "U(C(*(a),b),c)", ""},
        {"abc", "C(C(a,b),c)", ""},
        {"a|b|c", "U(U(a,b),c)", ""},
        {"(a|b)c", "C(U(a,b),c)", ""},
        {"^a$", "C(C(^,a),$)", ""},
        {"a|a", "U(a,a)", "{61-61}"},
        {".", "U(U({1-9},{b-c}),{e-fcfc})", "{b-c} {1-9} {e-fcfc}"},
        {"[^a]", "U(U(U({b-c},{1-9}),{e-60}),{62-fcfc})", "{b-c} {1-9} {e-60} {62-fcfc}"},
        {"[^\\n]", "U(U({b-c},{1-9}),{e-fcfc})", "{b-c} {1-9} {e-fcfc}"},
        {"[^\\x01-\\x09]", "U({b-c},{e-fcfc})", "{b-c} {e-fcfc}"},
        {"[^\\0-\\x20]", "{21-fcfc}", "{21-fcfc}"},
        {"[^\\x20-\\xFFFF]", "U(U({b-c},{1-9}),{e-1f})", "{b-c} {1-9} {e-1f}"},
        {"[cab]", "U(U(c,a),b)", "{63-63} {61-61} {62-62}"},
        {"[aa]", "U(a,a)", "{61-61}"},
        {"[a-z]|[c-f]", "U(U(U({61-62},{63-66}),{67-7a}),{63-66})", "{63-66} {61-62} {67-7a}"},
        {"[a-f]|[d-k]", "U(U({61-63},{64-66}),U({64-66},{67-6b}))", "{61-63} {64-66} {67-6b}"},
        // Equal starts: the longer leaf splits, the shorter one stays.
        {"[a-c]|a", "U(U(a,{62-63}),a)", "{61-61} {62-63}"},
        // Equal ends.
        {"[a-c]|c", "U(U({61-62},c),c)", "{63-63} {61-62}"},
        {"\\xFFFD\\xFFFF", "C({fffd-fffd},{ffff-ffff})", ""},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.pattern);
        EXPECT_EQ(p.shape, c.shape) << c.pattern;
        if (!c.leaves.empty()) {
            EXPECT_EQ(p.leaves, c.leaves) << c.pattern;
        }
    }
}

TEST(REParser, PlusSharesItsOperand) {
    TREParser parser("ab+");
    parser.Run();
    const TREParseNode* root = parser.ParseTree().RootNode();
    const TREParseNode* plus = root->Right;
    ASSERT_EQ(plus->Kind, reop_Concat);
    EXPECT_EQ(plus->Left, plus->Right->Left);
    EXPECT_EQ(parser.ParseTree().Leaves().size(), 2u);
}

TEST(REParser, SplitLeafKeepsReferencesAlive) {
    // The leaf [a-z] is referenced by the first alternative and turns into
    // a union in place; the reference now reaches the union.
    TREParser parser("[a-z]x|c");
    parser.Run();
    const TREParseNode* first = parser.ParseTree().RootNode()->Left->Left;
    EXPECT_EQ(first->Kind, reop_Union);
    for (const auto& leaf : parser.ParseTree().Leaves()) EXPECT_EQ(leaf->Kind, reop_CharRange);
    for (const auto& node : parser.ParseTree().Nodes()) EXPECT_NE(node->Kind, reop_CharRange);
}

TEST(REParser, LeavesEndPairwiseDisjoint) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    for (const std::string pattern : {"[a-m]|[c-x]|[e-g]|[b-y]|q|[^k-p]", "[\\0-\\xFFFF]|[\\x10-\\x20]|.", "[^b]|[a-c]|."}) {
        TREParser parser(pattern);
        parser.Run();
        const auto& leaves = parser.ParseTree().Leaves();
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            for (std::size_t k = i + 1; k < leaves.size(); ++k) {
                EXPECT_TRUE(leaves[i]->CharEnd < leaves[k]->CharBegin || leaves[k]->CharEnd < leaves[i]->CharBegin)
                    << pattern << " " << LeafRanges(parser.ParseTree());
            }
        }
    }
}

TEST(REParser, SyntaxErrors) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    struct Case {
        std::string pattern;
        const char* message;
        int pos;
    } cases[] = {
        {"a**", kMsgNeedCharOrLeftParen, 4},
        {"*a", kMsgNeedCharOrLeftParen, 2},
        {"a+?", kMsgNeedCharOrLeftParen, 4},
        {"(|*)", kMsgNeedCharOrLeftParen, 4},
        {"]", kMsgNeedCharOrLeftParen, 2},
        {"a|?", kMsgNeedCharOrLeftParen, 4},
        {"(a", kMsgNeedRightParen, 3},
        {"((a)", kMsgNeedRightParen, 5},
        {"a)", kMsgExtraChars, 3},
        {"[]", kMsgBadCharClass, 3},
        {"[^]", kMsgBadCharClass, 4},
        {"[]a]", kMsgBadCharClass, 3},
        {"[a", kMsgNeedRightBracket, 3},
        {"[z-a]", kMsgBadCharRange, 5},
        {"[^ab", kMsgNeedRightBracket, 5},
        {"[^z-a]", kMsgBadCharRange, 6},
        {"[^a]b[^c](", kMsgNeedRightParen, 11},
        {"a\\", kMsgNeedCharAfterBackslash, 3},
        {"\\xz", kMsgBadHexCode, 4},
        {"\\777777", kMsgBadOctCode, 8},
        // Members that cover the whole universe leave nothing to match.
        {"[^\\x01-\\xFCFC]", kMsgBadCharClass, 15},
        {"[^\\0-\\xFFFF]", kMsgBadCharClass, 13},
        {"x[^\\x01-\\x09\\n-\\r\\x0E-\\xFCFC]", kMsgBadCharClass, 30},
    };
    for (const auto& c : cases) {
        try {
            Parse(c.pattern);
            ADD_FAILURE() << "no error for " << c.pattern;
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), c.message) << c.pattern;
            EXPECT_EQ(e.ErrorPos, c.pos) << c.pattern;
        }
    }
}

TEST(REParser, LoneLeadByteReportsItsPosition) {
    platform::TCodePageScope cp(platform::kCodePage932);
    try {
        Parse("a\x82\x60\x82");
        ADD_FAILURE();
    } catch (const ERegExpParser& e) {
        EXPECT_STREQ(e.what(), kMsgBadDoubleByte);
        EXPECT_EQ(e.ErrorPos, 4);
    }
}

TEST(REParser, ErrorPositionWrapsAt16Bits) {
    const std::string pattern = std::string(70000, 'a') + ")";
    try {
        Parse(pattern);
        ADD_FAILURE();
    } catch (const ERegExpParser& e) {
        EXPECT_STREQ(e.what(), kMsgExtraChars);
        EXPECT_EQ(e.ErrorPos, 70002 % 65536);
    }
}

TEST(REParser, FailedRunLeavesAnEmptyTree) {
    TREParser parser("ab[^c]d(");
    EXPECT_THROW(parser.Run(), ERegExpParser);
    EXPECT_EQ(parser.ParseTree().RootNode(), nullptr);
    EXPECT_TRUE(parser.ParseTree().Leaves().empty());
    EXPECT_TRUE(parser.ParseTree().Nodes().empty());
}

TEST(REParseTree, LeafToUnionRejectsMissingOperands) {
    TREParseTree tree;
    TREParseNode* a = tree.MakeLeaf('a', 'a');
    TREParseNode* b = tree.MakeLeaf('b', 'b');
    EXPECT_THROW(tree.LeafToUnion(a, b, nullptr), std::logic_error);
    EXPECT_EQ(a->Kind, reop_CharRange);
    EXPECT_EQ(tree.MakeValidLeaf('b', 'a'), nullptr);
    EXPECT_EQ(tree.MakeValidLeaf(-1, 5), nullptr);
    EXPECT_EQ(tree.MakeValidLeaf(0x10000, 0x10000), nullptr);
    EXPECT_EQ(tree.MakeValidLeaf('a', 'a'), a);
}

}  // namespace
}  // namespace tervaline::regex
