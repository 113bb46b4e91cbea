#include "regex/REMatcher.h"

#include <cstring>

#include "platform/CodePage.h"

namespace tervaline::regex {

namespace {

// The start of the next character. A lead byte right before the terminator
// is taken alone, so a scan never steps past the end of the text.
const char* NextCharStart(const char* p) {
    if (platform::IsDBCSLeadByte(static_cast<std::uint8_t>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

}  // namespace

// Code 0 is the end of the text, where the reader stays put. A pattern may
// hold code 0 (written as an escape); taking its transition there would read
// the terminator again and again, and a closure over it would never end. So
// every walk stops at the terminator without trying it: code 0 in a pattern
// matches nothing, which agrees with the text seen by the matcher ending at
// its first NUL byte.

const TRE_DFAState* TREMatcher::NextDFAState(const TRE_DFAState* state, TREChar code) {
    for (const TRE_DFATransition& t : state->Transitions) {
        if (code < t.CharBegin) return nullptr;
        if (code <= t.CharEnd) return t.NextState;
    }
    return nullptr;
}

bool TREMatcher::IsLineSeparator(TREChar code) const {
    return lineSeparator_ == mcls_CRLF ? code == 13 : code == 10;
}

const char* TREMatcher::LongestFrom(const char* p, const TRE_DFAState* state) const {
    const char* result = nullptr;
    const char* cursor = p;
    while (state != nullptr) {
        if (state->Accepting != 0) result = cursor;
        const char* here = cursor;
        const TREChar code = FetchREChar(cursor);
        // A trailing $ matches before a line separator or at the end of the
        // text. Every state the walk passes there counts, not only the one
        // where it stops: the pattern may go on to take the separator itself
        // and then fail, as a$|a\nb does on a, line feed, c.
        if ((code == 0 || IsLineSeparator(code)) && NextDFAState(state, lineTailCode_) != nullptr) result = here;
        if (code == 0) break;
        state = NextDFAState(state, code);
    }
    return result;
}

void TREMatcher::MatchPlain(const char* text, const char*& start, const char*& end) const {
    start = nullptr;
    end = nullptr;
    const TRE_DFAState* s0 = dfa_.StartState();
    if (*text == '\0') {
        if (s0->Accepting != 0) start = end = text;
        return;
    }
    // A text that lacks a character every match holds is passed over whole.
    for (const char b : dfa_.RequiredBytes()) {
        if (std::strchr(text, b) == nullptr) return;
    }
    const auto& startBytes = dfa_.StartBytes();
    // Without lead bytes every byte starts a character, so the positions
    // where no match can begin are passed over without asking each one.
    const bool singleByte = platform::ActiveCodePage() != platform::kCodePage932;
    for (const char* p = text; *p != '\0'; p = NextCharStart(p)) {
        // A single-byte character that no match begins with needs no walk.
        if (singleByte) {
            while (*p != '\0' && !startBytes[static_cast<std::uint8_t>(*p)]) ++p;
            if (*p == '\0') break;
        } else {
            const auto b = static_cast<std::uint8_t>(*p);
            if (!startBytes[b] && !platform::IsDBCSLeadByte(b)) continue;
        }
        const TRE_DFAState* state = s0;
        const char* cursor = p;
        while (state != nullptr) {
            if (state->Accepting != 0) {
                start = p;
                end = cursor;
            }
            const TREChar code = FetchREChar(cursor);
            if (code == 0) break;
            state = NextDFAState(state, code);
        }
        if (start != nullptr) return;
    }
}

const char* TREMatcher::MatchAtLineHead(const char* p, const TRE_DFAState* state) const {
    const char* unanchored = LongestFrom(p, state);
    if (!dfa_.LineHeadUsed()) return unanchored;
    // Either side may match alone: in an empty text no later position is
    // tried, so ^a| must find its empty branch here.
    const char* anchored = LongestFrom(p, NextDFAState(state, lineHeadCode_));
    if (anchored == nullptr) return unanchored;
    return (unanchored != nullptr && unanchored >= anchored) ? unanchored : anchored;
}

void TREMatcher::ScanAnchored(const char* text, const char*& start, const char*& end) const {
    start = nullptr;
    end = nullptr;
    const TRE_DFAState* s0 = dfa_.StartState();
    const char* p = text;
    for (; *p != '\0'; p = NextCharStart(p)) {
        end = LongestFrom(p, s0);
        if (end != nullptr) {
            start = p;
            return;
        }
        if (*p == '\n' && dfa_.LineHeadUsed()) {
            end = MatchAtLineHead(p + 1, s0);
            if (end != nullptr) {
                start = p + 1;
                return;
            }
        }
    }
    if (dfa_.LineTailUsed() && NextDFAState(s0, lineTailCode_) != nullptr) start = end = p;
}

void TREMatcher::MatchAnchored(const char* text, const char*& start, const char*& end) const {
    start = text;
    end = MatchAtLineHead(text, dfa_.StartState());
    if (end == nullptr) ScanAnchored(text, start, end);
}

}  // namespace tervaline::regex
