#include "cli/PrintableText.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/PathSyntax.h"

namespace tervaline::cli {

namespace {

// How many bytes of a well-formed UTF-8 character stand at Index, or 0.
std::size_t Utf8Length(std::string_view text, std::size_t index) {
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = at(index);
    std::size_t length = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (index + length > text.size()) return 0;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((at(index + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (at(index + i) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode's end are no
    // characters; nor are the C1 controls, which a terminal may obey.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code < 0xA0) return 0;
    return length;
}

// The same for a Shift_JIS double-byte character.
std::size_t DoubleByteLength(std::string_view text, std::size_t index) {
    return platform::CharacterLength(text, index) == 2 ? 2 : 0;
}

}  // namespace

std::string Printable(std::string_view text) {
    const bool shiftJis = platform::ActiveCodePage() == platform::kCodePage932;
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        // A backslash is doubled where it could be taken for the start of an
        // escape; where it is the folder separator it is left alone.
        if (byte == '\\' && platform::NativePathSyntax() == platform::TPathSyntax::Posix) {
            shown += "\\\\";
            ++i;
            continue;
        }
        if (byte >= 0x20 && byte < 0x7F) {
            shown += static_cast<char>(byte);
            ++i;
            continue;
        }
        // Half-width katakana are single bytes of their own under 932.
        const bool kana = shiftJis && byte >= 0xA1 && byte <= 0xDF;
        const std::size_t length = kana ? 1 : shiftJis ? DoubleByteLength(text, i) : Utf8Length(text, i);
        if (length > 0) {
            shown.append(text.substr(i, length));
            i += length;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
        ++i;
    }
    return shown;
}

}  // namespace tervaline::cli
