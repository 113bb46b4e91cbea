// The nondeterministic automaton of one pattern, built from its parse tree.
// Transitions carry a range of character codes, an anchor pseudo-character
// or nothing. State 0 is the entry, state 1 the only accepting state; the
// automaton lives only while the deterministic one is built from it.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/REChar.h"
#include "regex/REParseTree.h"

namespace tervaline::regex {

class TREParser;

inline constexpr TREChar kLineHeadCode = 0xFFFD;  // an anchoring ^
inline constexpr TREChar kLineTailCode = 0xFFFE;  // an anchoring $
inline constexpr TREChar kEmptyCode = 0xFFFF;     // a transition that reads nothing

// A transition label: CharBegin in the low half, CharEnd in the high half.
using TRERangeLabel = std::uint32_t;
inline constexpr TRERangeLabel kEmptyLabel = 0xFFFFFFFFu;

constexpr TRERangeLabel MakeRangeLabel(TREChar charBegin, TREChar charEnd) {
    return static_cast<TRERangeLabel>(charBegin) | (static_cast<TRERangeLabel>(charEnd) << 16);
}

struct TRE_NFATransition {
    TREChar CharBegin = 0;
    TREChar CharEnd = 0;
    std::int32_t TransitTo = 0;

    TRERangeLabel Label() const { return MakeRangeLabel(CharBegin, CharEnd); }
    bool IsEmpty() const { return CharBegin == kEmptyCode; }
};

class TRE_NFA {
public:
    // The parser must have run; it is read, not owned.
    TRE_NFA(const TREParser& parser, TREChar lineHeadCode, TREChar lineTailCode);

    void BuildNFA();

    std::int32_t NewState();
    // Puts the new transition first in the source state's list.
    void AddTransition(std::int32_t from, std::int32_t to, TRERangeLabel label);
    // Adds the transitions that lead from From to To through Node.
    void GenerateStateList(const TREParseNode* node, std::int32_t from, std::int32_t to);

    std::int32_t StateCount() const { return static_cast<std::int32_t>(stateList_.size()); }
    // The transitions leaving a state, newest first.
    const std::vector<TRE_NFATransition>& Transitions(std::int32_t state) const {
        return stateList_[static_cast<std::size_t>(state)];
    }
    std::int32_t EntryState() const { return entryState_; }
    std::int32_t FinalState() const { return finalState_; }
    bool LineHeadUsed() const { return lineHeadUsed_; }
    bool LineTailUsed() const { return lineTailUsed_; }
    // A ^ or $ became a transition on its own character. Unlike the leaves
    // of the parse tree, such a range may overlap others.
    bool LiteralAnchorUsed() const { return literalAnchorUsed_; }
    TREChar LineHeadCode() const { return lineHeadCode_; }
    TREChar LineTailCode() const { return lineTailCode_; }

private:
    std::vector<std::vector<TRE_NFATransition>> stateList_;
    std::int32_t entryState_ = 0;
    std::int32_t finalState_ = 1;
    const TREParser& parser_;
    bool lineHeadUsed_ = false;
    bool lineTailUsed_ = false;
    bool literalAnchorUsed_ = false;
    TREChar lineHeadCode_;
    TREChar lineTailCode_;
};

}  // namespace tervaline::regex
