#include "regex/REChar.h"

#include "platform/CodePage.h"
#include "regex/ERegExpParser.h"

namespace tervaline::regex {

namespace {

std::uint8_t ByteAt(const std::string& text, std::int32_t position) {
    return static_cast<std::uint8_t>(text[static_cast<std::size_t>(position - 1)]);
}

bool IsLead(std::uint8_t byte) { return platform::IsDBCSLeadByte(byte); }

int HexWorth(TREChar c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Puts back the look-ahead character unless nothing was read (the end of
// the text). A NUL byte inside the text is put back too, so that it still
// ends the pattern for whoever reads next.
void PutBack(const std::string& text, std::int32_t& position, std::int32_t before) {
    if (position != before) UnGetREChar(text, position);
}

}  // namespace

TREChar GetREChar(const std::string& text, std::int32_t& position) {
    const auto length = static_cast<std::int32_t>(text.size());
    if (position < 1 || position > length) return 0;
    const std::uint8_t b = ByteAt(text, position);
    if (IsLead(b)) {
        if (position == length) RaiseRegExpParser(kMsgBadDoubleByte, position);
        const TREChar code = static_cast<TREChar>(b * 256 + ByteAt(text, position + 1));
        position += 2;
        return code;
    }
    position += 1;
    return b;
}

void UnGetREChar(const std::string& text, std::int32_t& position) {
    if (position <= 1) return;
    if (position == 2) {
        position = 1;
        return;
    }
    // q is the byte at position - 1; count the run of lead-byte values just
    // before it. An odd run means q is the trail of a double-byte character.
    std::int32_t leads = 0;
    for (std::int32_t i = position - 2; i >= 1 && IsLead(ByteAt(text, i)); --i) ++leads;
    position -= (leads % 2 == 1) ? 2 : 1;
}

TREChar GetHexCode(const std::string& text, std::int32_t& position) {
    unsigned value = 0;
    int digits = 0;
    for (;;) {
        const std::int32_t before = position;
        const TREChar c = GetREChar(text, position);
        const int worth = HexWorth(c);
        if (worth < 0 || digits == 4) {
            if (digits == 0) RaiseRegExpParser(kMsgBadHexCode, position);
            PutBack(text, position, before);
            break;
        }
        value = value * 16 + static_cast<unsigned>(worth);
        ++digits;
    }
    return static_cast<TREChar>(value);
}

TREChar GetOctCode(const std::string& text, std::int32_t& position) {
    unsigned value = 0;
    int digits = 0;
    for (;;) {
        const std::int32_t before = position;
        const TREChar c = GetREChar(text, position);
        if (c < '0' || c > '7' || digits == 6) {
            if (digits == 0) RaiseRegExpParser(kMsgBadOctCode, position);
            PutBack(text, position, before);
            break;
        }
        const unsigned next = value * 8 + (c - '0');
        if (next > 0xFFFF) RaiseRegExpParser(kMsgBadOctCode, position);
        value = next;
        ++digits;
    }
    return static_cast<TREChar>(value);
}

TREChar GetEscapedChar(const std::string& text, std::int32_t& position) {
    const TREChar c = GetREChar(text, position);
    switch (c) {
        case 0: RaiseRegExpParser(kMsgNeedCharAfterBackslash, position);
        case 'b': return 0x08;
        case 'n': return 0x0A;
        case 'r': return 0x0D;
        case 't': return 0x09;
        case 'x': return GetHexCode(text, position);
        default: break;
    }
    if (c >= '0' && c <= '7') {
        UnGetREChar(text, position);
        return GetOctCode(text, position);
    }
    return c;
}

std::string RECharToStr(TREChar code) {
    const auto high = static_cast<std::uint8_t>(code >> 8);
    const auto low = static_cast<char>(code & 0xFF);
    if (IsLead(high)) return std::string{static_cast<char>(high), low};
    return std::string(1, low);
}

}  // namespace tervaline::regex
