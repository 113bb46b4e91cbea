// Helpers shared by the engine's tests: compile a pattern through parser,
// NFA and DFA, match with the core, and print trees compactly.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "regex/RegExpEngine.h"

namespace tervaline::regex::testing {

// A printable single character stands for itself; other leaves print as
// {begin-end} in hex. U = union, C = concat, * = closure, e = empty.
inline std::string Shape(const TREParseNode* n) {
    if (n == nullptr) return "null";
    char buf[32];
    switch (n->Kind) {
        case reop_CharRange:
            if (n->CharBegin == n->CharEnd && n->CharBegin > 32 && n->CharBegin < 127) {
                return std::string(1, static_cast<char>(n->CharBegin));
            }
            std::snprintf(buf, sizeof buf, "{%x-%x}", unsigned{n->CharBegin}, unsigned{n->CharEnd});
            return buf;
        case reop_LineHead: return "^";
        case reop_LineTail: return "$";
        case reop_Concat: return "C(" + Shape(n->Left) + "," + Shape(n->Right) + ")";
        case reop_Union: return "U(" + Shape(n->Left) + "," + Shape(n->Right) + ")";
        case reop_Closure: return "*(" + Shape(n->Left) + ")";
        case reop_Empty: return "e";
    }
    return "?";
}

inline std::string LeafRanges(const TREParseTree& tree) {
    std::string out;
    char buf[32];
    for (const auto& leaf : tree.Leaves()) {
        std::snprintf(buf, sizeof buf, "%s{%x-%x}", out.empty() ? "" : " ", unsigned{leaf->CharBegin},
                      unsigned{leaf->CharEnd});
        out += buf;
    }
    return out;
}

// One compiled pattern, as the pattern objects hold it: only the DFA stays.
struct Compiled {
    std::unique_ptr<TRE_DFA> dfa;

    explicit Compiled(const std::string& pattern) {
        TREParser parser(pattern);
        parser.Run();
        TRE_NFA nfa(parser, kLineHeadCode, kLineTailCode);
        nfa.BuildNFA();
        dfa = std::make_unique<TRE_DFA>(nfa);
        dfa->BuildDFA();
    }

    // The 1-based position and the length of the match, or {0, 0}.
    std::pair<int, int> Match(const std::string& text, TMatchCORE_LineSeparator sep = mcls_CRLF) const {
        TREMatcher m(*dfa, kLineHeadCode, kLineTailCode, sep);
        const char* start = nullptr;
        const char* end = nullptr;
        if (dfa->LineHeadUsed() || dfa->LineTailUsed()) {
            m.MatchAnchored(text.c_str(), start, end);
        } else {
            m.MatchPlain(text.c_str(), start, end);
        }
        if (start == nullptr) return {0, 0};
        return {static_cast<int>(start - text.c_str()) + 1, static_cast<int>(end - start)};
    }
};

}  // namespace tervaline::regex::testing
