#include "regex/AWKStr.h"

#include "platform/CodePage.h"
#include "regex/FuzzyCharDic.h"

namespace tervaline::regex {

TMatchCORE::TMatchCORE(platform::TComponent* owner) : TRegularExpression(owner) {}

TREMatcher TMatchCORE::Matcher() const {
    return TREMatcher(CurrentDFA(), LineHeadCode(), LineTailCode(), fLineSeparator_);
}

void TMatchCORE::MatchPlain(const char* text, const char*& start, const char*& end) const {
    Matcher().MatchPlain(text, start, end);
}

void TMatchCORE::MatchAnchored(const char* text, const char*& start, const char*& end) const {
    Matcher().MatchAnchored(text, start, end);
}

TAWKStr::TAWKStr(platform::TComponent* owner) : TMatchCORE(owner) {
    FuzzyCharDicList().push_back(&DefaultFuzzyCharDic());
}

void TAWKStr::SetRegExp(const std::string& value) {
    TMatchCORE::SetRegExp(value);
    fMatchProc_ = (HasLineHead() || HasLineTail()) ? &TMatchCORE::MatchAnchored : &TMatchCORE::MatchPlain;
}

void TAWKStr::DecodeEscapes(const std::string& src, std::string& dest) {
    dest.clear();
    dest.reserve(src.size());
    const auto length = static_cast<std::int32_t>(src.size());
    std::int32_t position = 1;
    while (position <= length) {
        // Every character other than an escape turns back into its own
        // bytes, so a run up to the next backslash is copied as it stands.
        // A trail byte equal to the backslash belongs to its character; a
        // lead byte in the last place is left to GetREChar, which rejects it.
        std::int32_t run = position;
        while (run <= length) {
            const auto b = static_cast<std::uint8_t>(src[static_cast<std::size_t>(run - 1)]);
            if (b == '\\') break;
            if (platform::IsDBCSLeadByte(b)) {
                if (run == length) break;
                run += 2;
            } else {
                run += 1;
            }
        }
        dest.append(src, static_cast<std::size_t>(position - 1), static_cast<std::size_t>(run - position));
        position = run;
        if (position > length) break;
        TREChar code = GetREChar(src, position);
        if (code == '\\') code = GetEscapedChar(src, position);
        dest += RECharToStr(code);
    }
}

std::int32_t TAWKStr::Match(const std::string& text, std::int32_t& start, std::int32_t& length) const {
    // Entry 0, the empty pattern, is current until a pattern is assigned.
    const TMatchProc proc = fMatchProc_ ? fMatchProc_ : &TMatchCORE::MatchPlain;
    const char* first = text.c_str();
    const char* matchStart = nullptr;
    const char* matchEnd = nullptr;
    (this->*proc)(first, matchStart, matchEnd);
    if (matchStart == nullptr) {
        start = 0;
        length = 0;
        return 0;
    }
    start = static_cast<std::int32_t>(matchStart - first) + 1;
    length = static_cast<std::int32_t>(matchEnd - matchStart);
    return start;
}

}  // namespace tervaline::regex
