#include "regex/RE_DFA.h"

#include <algorithm>
#include <array>
#include <unordered_set>
#include <vector>

#include "regex/ERegExpParser.h"

namespace tervaline::regex {

namespace {

// Top-down merge sort that keeps transitions with equal first codes in
// their order: the first half takes the larger half, and the second half's
// head is taken only when its first code is strictly smaller.
void MergeSort(std::vector<TRE_DFATransition>& list, std::size_t lo, std::size_t hi,
               std::vector<TRE_DFATransition>& scratch) {
    if (hi - lo <= 1) return;
    const std::size_t mid = lo + (hi - lo + 1) / 2;
    MergeSort(list, lo, mid, scratch);
    MergeSort(list, mid, hi, scratch);
    scratch.clear();
    std::size_t i = lo;
    std::size_t j = mid;
    while (i < mid && j < hi) {
        if (list[j].CharBegin < list[i].CharBegin) {
            scratch.push_back(list[j++]);
        } else {
            scratch.push_back(list[i++]);
        }
    }
    while (i < mid) scratch.push_back(list[i++]);
    while (j < hi) scratch.push_back(list[j++]);
    std::copy(scratch.begin(), scratch.end(), list.begin() + static_cast<std::ptrdiff_t>(lo));
}

}  // namespace

TRE_DFA::TRE_DFA(const TRE_NFA& nfa) : nfa_(&nfa) {}

void TRE_DFA::BuildDFA() {
    lineHeadUsed_ = nfa_->LineHeadUsed();
    lineTailUsed_ = nfa_->LineTailUsed();
    ConvertNFAtoDFA();
    SortTransitions();
    nfa_ = nullptr;  // freed by the caller right after
    for (int b = 0; b < 256; ++b) {
        bool starts = startState_->Accepting != 0;
        for (const TRE_DFATransition& t : startState_->Transitions) {
            if (b >= t.CharBegin && b <= t.CharEnd) starts = true;
        }
        startBytes_[static_cast<std::size_t>(b)] = starts;
    }
    FindRequiredBytes();
}

void TRE_DFA::FindRequiredBytes() {
    // Only a character that some transition takes alone can be required;
    // a transition for a range lets a path through on another character.
    std::array<bool, 128> alone{};
    for (const auto& state : stateList_) {
        for (const TRE_DFATransition& t : state->Transitions) {
            if (t.CharBegin == t.CharEnd && t.CharBegin > 0 && t.CharBegin < 128) alone[t.CharBegin] = true;
        }
    }
    for (TREChar c = 1; c < 128 && requiredBytes_.size() < kMaxRequiredBytes; ++c) {
        if (alone[c] && !AcceptsAvoiding(c)) requiredBytes_.push_back(static_cast<char>(c));
    }
}

bool TRE_DFA::AcceptsAvoiding(TREChar code) const {
    // Reachability of an accepting state over every transition but the one
    // that takes Code alone.
    std::unordered_set<const TRE_DFAState*> seen{startState_};
    std::vector<const TRE_DFAState*> pending{startState_};
    while (!pending.empty()) {
        const TRE_DFAState* s = pending.back();
        pending.pop_back();
        if (s->Accepting != 0) return true;
        for (const TRE_DFATransition& t : s->Transitions) {
            if (t.CharBegin == code && t.CharEnd == code) continue;
            if (seen.insert(t.NextState).second) pending.push_back(t.NextState);
        }
    }
    return false;
}

void TRE_DFA::AddClosure(TRE_NFAStateSet& set, std::int32_t state) const {
    // Depth first, like the recursive form, but on an explicit stack so that
    // long chains of empty transitions cannot exhaust the call stack.
    std::vector<std::int32_t> pending{state};
    set.Include(state);
    while (!pending.empty()) {
        const std::int32_t s = pending.back();
        pending.pop_back();
        const auto& transitions = nfa_->Transitions(s);
        for (auto it = transitions.rbegin(); it != transitions.rend(); ++it) {
            if (it->IsEmpty() && !set.Has(it->TransitTo)) {
                set.Include(it->TransitTo);
                pending.push_back(it->TransitTo);
            }
        }
    }
}

void TRE_DFA::EpsilonClosure(TRE_NFAStateSet& set) const {
    const std::int32_t count = nfa_->StateCount();
    for (std::int32_t i = 0; i < count; ++i) {
        if (set.Has(i)) AddClosure(set, i);
    }
}

TRE_DFAState* TRE_DFA::RegisterState(std::unique_ptr<TRE_NFAStateSet>& set) {
    const std::size_t hash = set->Hash();
    const auto [from, to] = stateIndex_.equal_range(hash);
    for (auto it = from; it != to; ++it) {
        if (it->second->StateSet->Equals(*set)) return it->second;
    }
    if (stateList_.size() >= kMaxDFAStates) RaiseRegExpParser(kPatternTooComplex, 1);
    auto state = std::make_unique<TRE_DFAState>();
    state->Accepting = set->Has(nfa_->FinalState()) ? 0xFFFF : 0;
    stateList_.reserve(stateList_.size() + 1);  // so that the set is not lost if this fails
    stateIndex_.emplace(hash, state.get());
    state->StateSet = std::move(set);
    stateList_.push_back(std::move(state));
    return stateList_.back().get();
}

TRE_DFAState* TRE_DFA::NextUnvisitedState() const {
    for (const auto& state : stateList_) {
        if (state->Visited == 0) return state.get();
    }
    return nullptr;
}

TRE_TransitionGroupList TRE_DFA::CollectTransitions(const TRE_DFAState& state) const {
    TRE_TransitionGroupList groups;
    const std::int32_t count = nfa_->StateCount();
    for (std::int32_t i = 0; i < count; ++i) {
        if (!state.StateSet->Has(i)) continue;
        for (const TRE_NFATransition& t : nfa_->Transitions(i)) {
            if (t.IsEmpty()) continue;
            const TRERangeLabel label = t.Label();
            auto found = std::find_if(groups.rbegin(), groups.rend(),
                                      [label](const TRE_TransitionGroup& g) { return g.Range == label; });
            if (found != groups.rend()) {
                found->StateSet->Include(t.TransitTo);
            } else {
                TRE_TransitionGroup group;
                group.Range = label;
                group.StateSet = std::make_unique<TRE_NFAStateSet>(count);
                group.StateSet->Include(t.TransitTo);
                groups.push_back(std::move(group));
            }
        }
    }
    // The leaves of the parse tree are disjoint or equal, so only a literal
    // ^ or $ can overlap another range.
    if (nfa_->LiteralAnchorUsed()) MakeGroupsDisjoint(groups);
    return groups;
}

void TRE_DFA::MakeGroupsDisjoint(TRE_TransitionGroupList& groups) const {
    const auto first = [](const TRE_TransitionGroup& g) { return static_cast<TREChar>(g.Range & 0xFFFF); };
    const auto last = [](const TRE_TransitionGroup& g) { return static_cast<TREChar>(g.Range >> 16); };

    // A bare ^ or $ that stands for itself is no leaf: its code can fall
    // inside a class or '.' leaving the same state, as in x^b|x.c. A lookup
    // finds only one of two overlapping transitions, so the ranges are cut
    // at each other's ends and every piece leads to the targets of all the
    // ranges that hold it.
    bool overlap = false;
    for (std::size_t i = 0; i < groups.size() && !overlap; ++i) {
        for (std::size_t k = i + 1; k < groups.size() && !overlap; ++k) {
            overlap = first(groups[i]) <= last(groups[k]) && first(groups[k]) <= last(groups[i]);
        }
    }
    if (!overlap) return;

    std::vector<std::uint32_t> cuts;
    for (const TRE_TransitionGroup& g : groups) {
        cuts.push_back(first(g));
        cuts.push_back(std::uint32_t{last(g)} + 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    TRE_TransitionGroupList pieces;
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        TRE_TransitionGroup piece;
        piece.Range = MakeRangeLabel(static_cast<TREChar>(cuts[c]), static_cast<TREChar>(cuts[c + 1] - 1));
        for (const TRE_TransitionGroup& g : groups) {
            if (first(g) > cuts[c] || last(g) < cuts[c]) continue;
            if (piece.StateSet == nullptr) {
                piece.StateSet = std::make_unique<TRE_NFAStateSet>(*g.StateSet);
            } else {
                piece.StateSet->IncludeAll(*g.StateSet);
            }
        }
        if (piece.StateSet != nullptr) pieces.push_back(std::move(piece));
    }
    groups = std::move(pieces);
}

void TRE_DFA::DisposeTransitionGroups(TRE_TransitionGroupList& groups) { groups.clear(); }

void TRE_DFA::ConvertNFAtoDFA() {
    auto set = std::make_unique<TRE_NFAStateSet>(nfa_->StateCount());
    set->Include(nfa_->EntryState());
    EpsilonClosure(*set);
    startState_ = RegisterState(set);

    // States are only ever appended and visited in list order, so the
    // unvisited ones are always the tail of the list.
    const auto closureCost = static_cast<std::uint64_t>(nfa_->StateCount());
    std::uint64_t work = 0;
    std::size_t transitions = 0;
    for (std::size_t next = 0; next < stateList_.size(); ++next) {
        TRE_DFAState* p = stateList_[next].get();
        p->Visited = 0xFFFF;
        TRE_TransitionGroupList groups = CollectTransitions(*p);
        // Collecting compares each NFA transition of the state with the
        // groups; each group then costs a closure over the NFA.
        std::uint64_t memberTransitions = 0;
        for (std::int32_t i = 0; i < nfa_->StateCount(); ++i) {
            if (p->StateSet->Has(i)) memberTransitions += nfa_->Transitions(i).size();
        }
        work += memberTransitions * groups.size() + closureCost * (groups.size() + 1);
        transitions += groups.size();
        if (work > kMaxDFAWork || transitions > kMaxDFATransitions) RaiseRegExpParser(kPatternTooComplex, 1);
        // The groups (and the sets no new state took over) go with the list,
        // also when a step below throws.
        for (auto g = groups.rbegin(); g != groups.rend(); ++g) {
            EpsilonClosure(*g->StateSet);
            TRE_DFATransition t;
            t.CharBegin = static_cast<TREChar>(g->Range & 0xFFFF);
            t.CharEnd = static_cast<TREChar>(g->Range >> 16);
            t.NextState = RegisterState(g->StateSet);
            p->Transitions.push_back(t);
        }
        // Each new transition went to the head of the list.
        std::reverse(p->Transitions.begin(), p->Transitions.end());
        DisposeTransitionGroups(groups);
    }
}

void TRE_DFA::SortTransitions() {
    std::vector<TRE_DFATransition> scratch;
    for (const auto& state : stateList_) MergeSort(state->Transitions, 0, state->Transitions.size(), scratch);
}

}  // namespace tervaline::regex
