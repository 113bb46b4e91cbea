#include "platform/Utf8Text.h"

#include "platform/CharsetConversion.h"

namespace tervaline::platform {

namespace {

// The length of the well-formed character that starts Bytes; 0 when its
// first byte starts none. Cut: the end of Bytes comes before the character
// does, every byte before it fitting.
std::size_t CharacterLength(std::string_view bytes, bool& cut) {
    const auto c = static_cast<unsigned char>(bytes[0]);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    // The range of the second byte shuts out overlong forms, the
    // surrogates and code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (k == bytes.size()) {
            cut = true;
            return 0;
        }
        const auto next = static_cast<unsigned char>(bytes[k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

}  // namespace

bool IsUtf8Name(std::string_view charset) {
    std::string folded;
    for (const char c : charset) {
        if (c != '-') folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded == "utf8";
}

bool IsWellFormedUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        bool cut = false;
        const std::size_t length = CharacterLength(bytes.substr(at), cut);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void AppendUtf8Text(std::string_view bytes, std::string& out) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        bool cut = false;
        const std::size_t length = CharacterLength(bytes.substr(at), cut);
        if (cut) {
            out += kReplacementCharacter;
            return;
        }
        if (length == 0) {
            out += kReplacementCharacter;
            ++at;
            continue;
        }
        out += bytes.substr(at, length);
        at += length;
    }
}

}  // namespace tervaline::platform
