// The deterministic automaton of one pattern, built completely from its NFA
// by subset construction. Each state's transitions are sorted by their
// first code so that a lookup can stop at the first range beyond the code.
// Once built, the automaton is only read; matching never adds states.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "regex/REChar.h"
#include "regex/RE_NFA.h"
#include "regex/RE_NFAStateSet.h"

namespace tervaline::regex {

// Subset construction can need a number of states exponential in the
// pattern's length. Past this many states or transitions, or once building
// them has cost this many steps over NFA transitions and states, assigning
// the pattern fails with kPatternTooComplex instead of running for minutes.
inline constexpr std::size_t kMaxDFAStates = 4096;
inline constexpr std::size_t kMaxDFATransitions = 32768;
inline constexpr std::uint64_t kMaxDFAWork = 12'000'000;
inline constexpr const char* kPatternTooComplex = "Pattern too complex";

struct TRE_DFAState;

struct TRE_DFATransition {
    TREChar CharBegin = 0;
    TREChar CharEnd = 0;
    const TRE_DFAState* NextState = nullptr;
};

struct TRE_DFAState {
    std::unique_ptr<TRE_NFAStateSet> StateSet;  // closed under empty transitions
    std::uint16_t Visited = 0;                  // 0xFFFF once the transitions are computed
    std::uint16_t Accepting = 0;                // 0xFFFF when StateSet holds the final state
    std::vector<TRE_DFATransition> Transitions;  // by CharBegin ascending once built
};

// The NFA transitions of one range that leave a DFA state under
// construction, with the set of their targets.
struct TRE_TransitionGroup {
    TRERangeLabel Range = 0;
    std::unique_ptr<TRE_NFAStateSet> StateSet;
};
// The head of a group list is its last element.
using TRE_TransitionGroupList = std::vector<TRE_TransitionGroup>;

class TRE_DFA {
public:
    // The NFA is read only during BuildDFA.
    explicit TRE_DFA(const TRE_NFA& nfa);
    TRE_DFA(const TRE_DFA&) = delete;
    TRE_DFA& operator=(const TRE_DFA&) = delete;

    void BuildDFA();

    const TRE_DFAState* StartState() const { return startState_; }
    const std::vector<std::unique_ptr<TRE_DFAState>>& States() const { return stateList_; }
    bool LineHeadUsed() const { return lineHeadUsed_; }
    bool LineTailUsed() const { return lineTailUsed_; }

    // For each byte taken as a single-byte character: whether a match can
    // begin with it (the start state accepts, or has a transition for it).
    // Lets a search skip the positions where no match can start.
    const std::array<bool, 256>& StartBytes() const { return startBytes_; }

    // ASCII characters that every match holds: each path from the start to
    // an accepting state takes a transition for that one character. A text
    // without such a byte cannot match. At most kMaxRequiredBytes of them,
    // in ascending order.
    static constexpr std::size_t kMaxRequiredBytes = 4;
    const std::vector<char>& RequiredBytes() const { return requiredBytes_; }

    // Closure over empty transitions of the NFA being converted.
    void EpsilonClosure(TRE_NFAStateSet& set) const;
    void AddClosure(TRE_NFAStateSet& set, std::int32_t state) const;

    // Construction steps, exposed for BuildDFA and its tests.
    void ConvertNFAtoDFA();
    // The state for Set: an existing equal one (Set stays with the caller),
    // or a new one that takes Set over (the caller's pointer becomes null).
    TRE_DFAState* RegisterState(std::unique_ptr<TRE_NFAStateSet>& set);
    TRE_DFAState* NextUnvisitedState() const;
    // Groups the transitions leaving State by range. The ranges of the
    // groups are pairwise disjoint: a code leads to one group only.
    TRE_TransitionGroupList CollectTransitions(const TRE_DFAState& state) const;
    static void DisposeTransitionGroups(TRE_TransitionGroupList& groups);
    void SortTransitions();

private:
    std::vector<std::unique_ptr<TRE_DFAState>> stateList_;
    // The states by the hash of their NFA state sets.
    std::unordered_multimap<std::size_t, TRE_DFAState*> stateIndex_;
    TRE_DFAState* startState_ = nullptr;
    const TRE_NFA* nfa_;
    bool lineHeadUsed_ = false;
    bool lineTailUsed_ = false;
    std::array<bool, 256> startBytes_{};
    std::vector<char> requiredBytes_;

    void MakeGroupsDisjoint(TRE_TransitionGroupList& groups) const;
    void FindRequiredBytes();
    bool AcceptsAvoiding(TREChar code) const;
};

}  // namespace tervaline::regex
