#include "regex/RE_NFA.h"

#include <algorithm>
#include <stdexcept>

#include "regex/REParser.h"

namespace tervaline::regex {

namespace {

TRERangeLabel NodeLabel(const TREParseNode& node) { return MakeRangeLabel(node.CharBegin, node.CharEnd); }

}  // namespace

TRE_NFA::TRE_NFA(const TREParser& parser, TREChar lineHeadCode, TREChar lineTailCode)
    : parser_(parser), lineHeadCode_(lineHeadCode), lineTailCode_(lineTailCode) {}

void TRE_NFA::BuildNFA() {
    entryState_ = NewState();
    finalState_ = NewState();
    GenerateStateList(parser_.ParseTree().RootNode(), entryState_, finalState_);
}

std::int32_t TRE_NFA::NewState() {
    stateList_.emplace_back();
    return static_cast<std::int32_t>(stateList_.size() - 1);
}

void TRE_NFA::AddTransition(std::int32_t from, std::int32_t to, TRERangeLabel label) {
    TRE_NFATransition t;
    t.CharBegin = static_cast<TREChar>(label & 0xFFFF);
    t.CharEnd = static_cast<TREChar>(label >> 16);
    t.TransitTo = to;
    auto& list = stateList_[static_cast<std::size_t>(from)];
    list.insert(list.begin(), t);
}

void TRE_NFA::GenerateStateList(const TREParseNode* node, std::int32_t from, std::int32_t to) {
    if (node == nullptr) throw std::logic_error("This cannot happen in TRE_NFA.GenerateStateList");
    switch (node->Kind) {
        case reop_CharRange: {
            // The anchors' pseudo-characters lie above every code a text can
            // hold, but a range written with escapes may reach them. It is
            // cut short below them, so that the automaton never takes a
            // class for an anchor, nor an anchor for a class. A single code
            // stays: an anchor and the escape of its code are one.
            const TREChar firstPseudo = std::min(lineHeadCode_, lineTailCode_);
            if (node->CharEnd < firstPseudo || node->CharBegin == node->CharEnd) {
                AddTransition(from, to, NodeLabel(*node));
            } else if (node->CharBegin < firstPseudo) {
                AddTransition(from, to, MakeRangeLabel(node->CharBegin, static_cast<TREChar>(firstPseudo - 1)));
            }
            return;
        }
        case reop_LineHead:
            // Only a ^ whose transition leaves the entry state anchors.
            if (from == entryState_) {
                lineHeadUsed_ = true;
                AddTransition(from, to, MakeRangeLabel(lineHeadCode_, lineHeadCode_));
            } else {
                literalAnchorUsed_ = true;
                AddTransition(from, to, NodeLabel(*node));
            }
            return;
        case reop_LineTail:
            // Only a $ whose transition enters the final state anchors.
            if (to == finalState_) {
                lineTailUsed_ = true;
                AddTransition(from, to, MakeRangeLabel(lineTailCode_, lineTailCode_));
            } else {
                literalAnchorUsed_ = true;
                AddTransition(from, to, NodeLabel(*node));
            }
            return;
        case reop_Concat: {
            const std::int32_t m = NewState();
            GenerateStateList(node->Left, from, m);
            GenerateStateList(node->Right, m, to);
            return;
        }
        case reop_Union:
            GenerateStateList(node->Left, from, to);
            GenerateStateList(node->Right, from, to);
            return;
        case reop_Closure: {
            const std::int32_t s1 = NewState();
            const std::int32_t s2 = NewState();
            AddTransition(from, s1, kEmptyLabel);
            GenerateStateList(node->Left, s1, s2);
            AddTransition(s2, s1, kEmptyLabel);
            AddTransition(s1, to, kEmptyLabel);
            return;
        }
        case reop_Empty:
            AddTransition(from, to, kEmptyLabel);
            return;
    }
    throw std::logic_error("This cannot happen in TRE_NFA.GenerateStateList");
}

}  // namespace tervaline::regex
