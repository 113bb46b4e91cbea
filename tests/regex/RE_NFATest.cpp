#include <gtest/gtest.h>

#include <string>

#include "RETestSupport.h"
#include "platform/CodePage.h"

namespace tervaline::regex {
namespace {

// "s:label>t,label>t" per state with transitions, in list order; labels:
// e = empty, H = line head, T = line tail, else the character.
std::string Dump(const TRE_NFA& nfa) {
    std::string out;
    for (std::int32_t s = 0; s < nfa.StateCount(); ++s) {
        const auto& list = nfa.Transitions(s);
        if (list.empty()) continue;
        if (!out.empty()) out += " ";
        out += std::to_string(s) + ":";
        bool first = true;
        for (const TRE_NFATransition& t : list) {
            if (!first) out += ",";
            first = false;
            if (t.Label() == kEmptyLabel) {
                out += "e";
            } else if (t.CharBegin == kLineHeadCode && t.CharEnd == kLineHeadCode) {
                out += "H";
            } else if (t.CharBegin == kLineTailCode && t.CharEnd == kLineTailCode) {
                out += "T";
            } else {
                out += static_cast<char>(t.CharBegin);
                if (t.CharEnd != t.CharBegin) out += std::string("-") + static_cast<char>(t.CharEnd);
            }
            out += ">" + std::to_string(t.TransitTo);
        }
    }
    return out;
}

TEST(RE_NFA, NumberingAndAnchors) {
    platform::TCodePageScope cp(platform::kSingleByteCodePage);
    struct Case {
        std::string pattern;
        std::string dump;
        int states;
        bool head;
        bool tail;
    } cases[] = {
        {"", "0:e>1", 2, false, false},
        {"ab", "0:a>2 2:b>1", 3, false, false},
        {"a*", "0:e>2 2:e>1,a>3 3:e>2", 4, false, false},
        {"a+", "0:a>2 2:e>3 3:e>1,a>4 4:e>3", 5, false, false},
        {"a|b", "0:b>1,a>1", 2, false, false},
        {"^", "0:H>1", 2, true, false},
        {"^$", "0:H>2 2:T>1", 3, true, true},
        {"$^", "0:$>2 2:^>1", 3, false, false},
        {"a|^b", "0:H>2,a>1 2:b>1", 3, true, false},
        {"(^a|^b)c", "0:H>4,H>3 2:c>1 3:a>2 4:b>2", 5, true, false},
        {"x^", "0:x>2 2:^>1", 3, false, false},
        {"(^a)*", "0:e>2 2:e>1,^>4 3:e>2 4:a>3", 5, false, false},
        {"a$|b", "0:b>1,a>2 2:T>1", 3, false, true},
        {"(a$)*", "0:e>2 2:e>1,a>4 3:e>2 4:$>3", 5, false, false},
        {"a?", "0:e>1,a>1", 2, false, false},
    };
    for (const auto& c : cases) {
        TREParser parser(c.pattern);
        parser.Run();
        TRE_NFA nfa(parser, kLineHeadCode, kLineTailCode);
        nfa.BuildNFA();
        EXPECT_EQ(Dump(nfa), c.dump) << c.pattern;
        EXPECT_EQ(nfa.StateCount(), c.states) << c.pattern;
        EXPECT_EQ(nfa.LineHeadUsed(), c.head) << c.pattern;
        EXPECT_EQ(nfa.LineTailUsed(), c.tail) << c.pattern;
        EXPECT_EQ(nfa.EntryState(), 0);
        EXPECT_EQ(nfa.FinalState(), 1);
    }
}

TEST(RE_NFAStateSet, SizeAndMembership) {
    EXPECT_EQ(TRE_NFAStateSet(7).ByteCount(), 1);
    EXPECT_EQ(TRE_NFAStateSet(8).ByteCount(), 2);
    EXPECT_EQ(TRE_NFAStateSet(17).ByteCount(), 3);

    TRE_NFAStateSet a(20);
    TRE_NFAStateSet b(20);
    EXPECT_TRUE(a.Equals(b));
    a.Include(0);
    a.Include(9);
    a.Include(19);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(a.Has(i), i == 0 || i == 9 || i == 19) << i;
    EXPECT_FALSE(a.Equals(b));
    b.Include(19);
    b.Include(9);
    b.Include(0);
    EXPECT_TRUE(a.Equals(b));
}

TEST(RE_NFA, EpsilonClosureFollowsOnlyEmptyTransitions) {
    // (a*b*)*c numbers its states: 2 before c, 3/4 the outer closure, 5
    // between a* and b*, 6/7 the a closure, 8/9 the b closure. From the
    // entry, empty paths reach everything but the targets of a, b and c.
    TREParser parser("(a*b*)*c");
    parser.Run();
    TRE_NFA nfa(parser, kLineHeadCode, kLineTailCode);
    nfa.BuildNFA();
    ASSERT_EQ(nfa.StateCount(), 10);
    TRE_DFA dfa(nfa);
    TRE_NFAStateSet set(nfa.StateCount());
    set.Include(0);
    dfa.EpsilonClosure(set);
    for (std::int32_t s = 0; s < nfa.StateCount(); ++s) EXPECT_EQ(set.Has(s), s != 1 && s != 7 && s != 9) << s;

    TRE_NFAStateSet fromSeven(nfa.StateCount());
    dfa.AddClosure(fromSeven, 7);
    for (std::int32_t s = 0; s < nfa.StateCount(); ++s) {
        EXPECT_EQ(fromSeven.Has(s), s == 7 || s == 6 || s == 5 || s == 8 || s == 4 || s == 3 || s == 2) << s;
    }
}

}  // namespace
}  // namespace tervaline::regex
