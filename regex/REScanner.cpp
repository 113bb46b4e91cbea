#include "regex/REScanner.h"

#include "regex/ERegExpParser.h"

namespace tervaline::regex {

TREScanner::TREScanner(const std::string& pattern) { SetText(pattern); }

void TREScanner::SetText(const std::string& pattern) {
    RegExpStr = pattern;
    ScanPos = 1;
    InCharClass = false;
    ended_ = false;
}

TRETokenKind TREScanner::GetToken() {
    if (ended_) {
        Token = retk_End;
        return Token;
    }
    TRETokenKind kind;
    if (InCharClass) {
        kind = GetTokenCharClass();
        if (kind == retk_RBra) InCharClass = false;
    } else {
        kind = GetTokenStd();
        if (kind == retk_LBra || kind == retk_LBraNeg) InCharClass = true;
        if (kind == retk_End) ended_ = true;
    }
    Token = kind;
    return kind;
}

TRETokenKind TREScanner::GetTokenStd() {
    const TREChar c = GetREChar(RegExpStr, ScanPos);
    CharBegin = c;
    switch (c) {
        case 0: return retk_End;
        case '$': return retk_LTail;
        case '(': return retk_LPar;
        case ')': return retk_RPar;
        case '*': return retk_Star;
        case '+': return retk_Plus;
        case '.': return retk_Dot;
        case '?': return retk_QMark;
        case '|': return retk_Union;
        case ']': return retk_RBra;
        case '^': return retk_LHead;
        case '\\':
            CharBegin = GetEscapedChar(RegExpStr, ScanPos);
            return retk_Char;
        case '[': {
            const TREChar d = GetREChar(RegExpStr, ScanPos);
            if (d == 0) RaiseRegExpParser(kMsgNeedRightBracket, ScanPos);
            if (d == '^') return retk_LBraNeg;
            UnGetREChar(RegExpStr, ScanPos);
            return retk_LBra;
        }
        default: return retk_Char;
    }
}

TRETokenKind TREScanner::GetTokenCharClass() {
    TREChar a = GetREChar(RegExpStr, ScanPos);
    CharBegin = a;
    if (a == 0) RaiseRegExpParser(kMsgNeedRightBracket, ScanPos);
    if (a == ']') return retk_RBra;
    if (a == '\\') a = GetEscapedChar(RegExpStr, ScanPos);

    // The tests for '-' and ']' look at the raw characters, so an escaped
    // '-' or ']' is an ordinary member.
    const TREChar b = GetREChar(RegExpStr, ScanPos);
    if (b == '-') {
        TREChar c = GetREChar(RegExpStr, ScanPos);
        if (c == 0) RaiseRegExpParser(kMsgNeedRightBracket, ScanPos);
        if (c == ']') {
            // A '-' just before ']' is a member of its own.
            UnGetREChar(RegExpStr, ScanPos);
            UnGetREChar(RegExpStr, ScanPos);
            CharBegin = a;
            return retk_Char;
        }
        if (c == '\\') c = GetEscapedChar(RegExpStr, ScanPos);
        if (c < a) RaiseRegExpParser(kMsgBadCharRange, ScanPos);
        CharBegin = a;
        CharEnd = c;
        return retk_CharRange;
    }
    if (b == 0) RaiseRegExpParser(kMsgNeedRightBracket, ScanPos);
    UnGetREChar(RegExpStr, ScanPos);
    CharBegin = a;
    return retk_Char;
}

}  // namespace tervaline::regex
