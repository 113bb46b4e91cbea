// Walks a built TRE_DFA over a NUL-terminated text and finds the leftmost
// match and, at that position, the longest one.
//
// Intended use: the pattern object that owns the cached automata (the
// TMatchCORE class) builds a TREMatcher on the spot for each match, from its
// current DFA, its LineHeadCode()/LineTailCode() and its LineSeparator, and
// forwards its own MatchPlain/MatchAnchored to the matcher's. A TREMatcher
// holds only references and values, allocates nothing and keeps no state
// between calls, so building one per call costs nothing.
//
//   TREMatcher m(CurrentDFA(), LineHeadCode(), LineTailCode(), FLineSeparator);
//   m.MatchAnchored(text, start, end);
//
// MatchPlain is the strategy for patterns without anchors, MatchAnchored for
// patterns with an anchoring ^ or $ (TRE_DFA::LineHeadUsed/LineTailUsed).
#pragma once

#include <cstdint>

#include "regex/REChar.h"
#include "regex/RE_DFA.h"

namespace tervaline::regex {

// Which control character ends a line for a trailing $. A leading ^ matches
// at the start of the text and after every line feed in both settings.
enum TMatchCORE_LineSeparator : std::uint8_t {
    mcls_CRLF = 0,  // carriage return (13)
    mcls_LF = 1,    // line feed (10)
};

class TREMatcher {
public:
    TREMatcher(const TRE_DFA& dfa, TREChar lineHeadCode, TREChar lineTailCode,
               TMatchCORE_LineSeparator lineSeparator)
        : dfa_(dfa), lineHeadCode_(lineHeadCode), lineTailCode_(lineTailCode), lineSeparator_(lineSeparator) {}

    // Both answer null Start and End when nothing matches; otherwise Start
    // points at the first byte of the match and End just past its last.
    void MatchPlain(const char* text, const char*& start, const char*& end) const;
    void MatchAnchored(const char* text, const char*& start, const char*& end) const;
    // The position-by-position scan of MatchAnchored.
    void ScanAnchored(const char* text, const char*& start, const char*& end) const;

    // The end of the longest match from P, which stands at a line head:
    // through an anchoring ^ or not, whichever reaches further.
    const char* MatchAtLineHead(const char* p, const TRE_DFAState* state) const;
    // The end of the longest match from P in State, or null (also for a
    // null State). A trailing $ counts at every line end the walk reaches.
    const char* LongestFrom(const char* p, const TRE_DFAState* state) const;

    static const TRE_DFAState* NextDFAState(const TRE_DFAState* state, TREChar code);
    bool IsLineSeparator(TREChar code) const;

private:
    const TRE_DFA& dfa_;
    TREChar lineHeadCode_;
    TREChar lineTailCode_;
    TMatchCORE_LineSeparator lineSeparator_;
};

}  // namespace tervaline::regex
