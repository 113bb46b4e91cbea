// Turns a pattern text into the token stream read by the parser and the
// pattern preprocessor, switching into class mode between [ and ].
#pragma once

#include <cstdint>
#include <string>

#include "regex/REChar.h"

namespace tervaline::regex {

enum TRETokenKind : std::uint8_t {
    retk_Char = 0,       // a plain or escaped character; a class member
    retk_CharRange = 1,  // a range a-b inside a class
    retk_Union = 2,      // |
    retk_LPar = 3,       // (
    retk_RPar = 4,       // )
    retk_Star = 5,       // *
    retk_Plus = 6,       // +
    retk_QMark = 7,      // ?
    retk_LBra = 8,       // [ not followed by ^
    retk_LBraNeg = 9,    // [^
    retk_RBra = 10,      // ] inside or outside a class
    retk_Dot = 11,       // .
    retk_LHead = 12,     // ^
    retk_LTail = 13,     // $
    retk_End = 14,       // end of the pattern
};

class TREScanner {
public:
    explicit TREScanner(const std::string& pattern = std::string());
    virtual ~TREScanner() = default;
    TREScanner(const TREScanner&) = delete;
    TREScanner& operator=(const TREScanner&) = delete;

    // Starts over on a new pattern, outside any class (also after an
    // earlier pattern failed inside one).
    void SetText(const std::string& pattern);

    // Reads the next token into Token, CharBegin and CharEnd and answers its
    // kind. Once the end is reached, every further call answers retk_End.
    TRETokenKind GetToken();

    std::string RegExpStr;       // the pattern being scanned
    std::int32_t ScanPos = 1;    // 1-based position of the next byte; errors report it
    TRETokenKind Token = retk_End;
    TREChar CharBegin = 0;       // the character, or the first code of a range
    TREChar CharEnd = 0;         // the last code of a range (retk_CharRange only)
    bool InCharClass = false;

protected:
    // The reader outside classes and the reader inside them; a descendant
    // may replace either. Only GetToken calls them.
    virtual TRETokenKind GetTokenStd();
    virtual TRETokenKind GetTokenCharClass();

private:
    // A NUL byte ends the pattern even when bytes follow it, so the end
    // is remembered rather than read again.
    bool ended_ = false;
};

}  // namespace tervaline::regex
