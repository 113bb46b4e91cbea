// The engine's character model: 8-bit text cut into single-byte and
// double-byte characters, each read as one 16-bit code, and the readers and
// escape decoding that the scanner, preprocessor and matchers share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CodePage.h"

namespace tervaline::regex {

// A single-byte character is its byte value; a double-byte character is
// lead byte * 256 + trail byte. Code 0 ends a text.
using TREChar = std::uint16_t;

// Reads the character at the 1-based Position and moves Position past it.
// Beyond the end it answers 0 and leaves Position; a NUL byte inside the
// text also answers 0 but is stepped over. Raises ERegExpParser for a lead
// byte without its trail byte, at the lead byte's position.
TREChar GetREChar(const std::string& text, std::int32_t& position);

// Moves Position back to the first byte of the character that ends just
// before it, so that the next GetREChar reads that character again.
void UnGetREChar(const std::string& text, std::int32_t& position);

// Reads the character at Cursor in a NUL-terminated text and advances it.
// At the terminator it answers 0 and stays. A lead byte directly before the
// terminator has no trail byte: it is answered as the lone byte's value and
// the cursor stops on the terminator, so no walk ever leaves the text.
inline TREChar FetchREChar(const char*& cursor) {
    const auto b = static_cast<std::uint8_t>(*cursor);
    if (b == 0) return 0;
    if (platform::IsDBCSLeadByte(b)) {
        const auto trail = static_cast<std::uint8_t>(cursor[1]);
        if (trail == 0) {
            cursor += 1;
            return b;
        }
        cursor += 2;
        return static_cast<TREChar>(b * 256 + trail);
    }
    cursor += 1;
    return b;
}

// Position stands just after a backslash: reads the escape and answers the
// code it denotes (\b \n \r \t, \x with 1-4 hex digits, up to 6 octal
// digits, else the character itself).
TREChar GetEscapedChar(const std::string& text, std::int32_t& position);

// Up to 4 hexadecimal digits at Position; at least one is required.
TREChar GetHexCode(const std::string& text, std::int32_t& position);

// Up to 6 octal digits at Position; the value must stay within 16 bits.
TREChar GetOctCode(const std::string& text, std::int32_t& position);

// The 1- or 2-byte text of a code. A high byte that is no lead byte is
// dropped, so 0x4142 gives "B".
std::string RECharToStr(TREChar code);

}  // namespace tervaline::regex
