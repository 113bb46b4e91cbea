// TMatchCORE and TAWKStr: the pattern objects callers use. TMatchCORE adds
// the line-separator setting and the two matching strategies; TAWKStr picks
// a strategy whenever the pattern changes and answers 1-based byte positions.
#pragma once

#include <cstdint>
#include <string>

#include "regex/REMatcher.h"
#include "regex/RegularExpression.h"

namespace tervaline::regex {

class TMatchCORE : public TRegularExpression {
public:
    explicit TMatchCORE(platform::TComponent* owner);

    // Takes effect on the next match; nothing is recompiled.
    TMatchCORE_LineSeparator LineSeparator() const { return fLineSeparator_; }
    void SetLineSeparator(TMatchCORE_LineSeparator value) { fLineSeparator_ = value; }

    // Over the current automaton. Both answer null Start and End when
    // nothing matches; else Start is the first byte, End just past the last.
    void MatchPlain(const char* text, const char*& start, const char*& end) const;
    void MatchAnchored(const char* text, const char*& start, const char*& end) const;

protected:
    TREMatcher Matcher() const;

private:
    TMatchCORE_LineSeparator fLineSeparator_ = mcls_CRLF;
};

class TAWKStr : public TMatchCORE {
public:
    // Registers the built-in fuzzy-character dictionary (used only when
    // UseFuzzyCharDic is set).
    explicit TAWKStr(platform::TComponent* owner);

    // On success also chooses the matching strategy for the new automaton;
    // on failure the previous strategy stays.
    void SetRegExp(const std::string& value) override;

    // Replaces backslash escapes in Src by the characters they stand for.
    // Raises ERegExpParser for a trailing backslash, a bad hexadecimal or
    // octal escape, or a lead byte in the last position; Dest then holds
    // what was decoded before the fault. NUL bytes are copied.
    static void DecodeEscapes(const std::string& src, std::string& dest);

    // Finds the leftmost, then longest match in Text up to its first NUL.
    // Answers its 1-based byte position (also in Start) and its byte Length;
    // 0, with Start and Length 0, when nothing matches. Before any pattern
    // is assigned the empty pattern is used.
    std::int32_t Match(const std::string& text, std::int32_t& start, std::int32_t& length) const;

private:
    using TMatchProc = void (TMatchCORE::*)(const char*, const char*&, const char*&) const;

    TMatchProc fMatchProc_ = nullptr;
};

}  // namespace tervaline::regex
