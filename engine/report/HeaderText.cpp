#include "engine/report/HeaderText.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/report/Iso2022Jp.h"
#include "engine/report/MailCharset.h"

namespace tervaline::engine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsBlankOnly(std::string_view text) {
    for (const char c : text) {
        if (!IsBlank(c)) return false;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Printable ASCII but for '?': what a charset name and an encoded text
// are made of.
bool IsWordText(std::string_view text) {
    for (const char c : text) {
        if (c <= ' ' || c > '~' || c == '?') return false;
    }
    return true;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') {
            // Padding ends a group; some programs glue padded groups
            // together, so decoding goes on after it.
            bits = 0;
            count = 0;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string DecodeQ(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            bytes += ' ';
        } else if (c == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += c;  // a lone '=' as written, as mail programs show it
        }
    }
    return bytes;
}

struct TPiece {
    std::string_view raw;  // text as written, when charset is empty
    std::string_view charset;
    std::string bytes;  // an encoded word's decoded bytes
    bool IsWord() const { return !charset.empty(); }
};

// The encoded word "=?charset?B|Q?text?=" at the start of Text, and its
// length; nothing when Text does not start with a whole one.
std::optional<TPiece> ReadEncodedWord(std::string_view text, std::size_t& length) {
    if (text.substr(0, 2) != "=?") return std::nullopt;
    const std::size_t charsetEnd = text.find('?', 2);
    if (charsetEnd == std::string_view::npos || charsetEnd == 2) return std::nullopt;
    if (charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?') return std::nullopt;
    const std::size_t textStart = charsetEnd + 3;
    const std::size_t textEnd = text.find("?=", textStart);
    if (textEnd == std::string_view::npos) return std::nullopt;
    const std::string_view charset = text.substr(2, charsetEnd - 2);
    const std::string_view encoded = text.substr(textStart, textEnd - textStart);
    if (!IsWordText(charset) || !IsWordText(encoded)) return std::nullopt;
    TPiece word;
    word.charset = charset;
    switch (text[charsetEnd + 1]) {
        case 'B':
        case 'b': {
            std::optional<std::string> bytes = DecodeBase64(encoded);
            if (!bytes) return std::nullopt;
            word.bytes = std::move(*bytes);
            break;
        }
        case 'Q':
        case 'q':
            word.bytes = DecodeQ(encoded);
            break;
        default:
            return std::nullopt;
    }
    length = textEnd + 2;
    return word;
}

// The text cut into raw runs and encoded words. Words are found wherever
// they start, not only between blanks: mail programs decode a word glued
// to the text around it ("Re:=?UTF-8?...?="), and so do their users' eyes.
std::vector<TPiece> Pieces(std::string_view text) {
    std::vector<TPiece> pieces;
    std::size_t rawStart = 0;
    std::size_t at = text.find("=?");
    while (at != std::string_view::npos) {
        std::size_t length = 0;
        std::optional<TPiece> word = ReadEncodedWord(text.substr(at), length);
        if (!word) {
            at = text.find("=?", at + 1);
            continue;
        }
        if (at > rawStart) pieces.push_back(TPiece{text.substr(rawStart, at - rawStart), {}, {}});
        pieces.push_back(std::move(*word));
        rawStart = at + length;
        at = text.find("=?", rawStart);
    }
    if (rawStart < text.size()) pieces.push_back(TPiece{text.substr(rawStart), {}, {}});
    return pieces;
}

}  // namespace

std::string DecodeHeaderText(std::string_view text, std::string_view rawCharset) {
    std::string out;
    if (IsAscii(text) && text.find("=?") == std::string_view::npos && text.find('\x1B') == std::string_view::npos) {
        out.assign(text);
        return out;
    }
    const std::vector<TPiece> pieces = Pieces(text);
    // Raw 8-bit bytes are judged once for the whole field, not run by run:
    // one program wrote the field, and a longer text tells UTF-8 from a
    // code page more surely than the short runs between encoded words.
    bool rawUtf8 = true;
    for (const TPiece& piece : pieces) {
        if (!piece.IsWord() && !HasIso2022JpEscape(piece.raw) && !IsUtf8(piece.raw)) rawUtf8 = false;
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const TPiece& piece = pieces[i];
        if (!piece.IsWord()) {
            const bool betweenWords = i > 0 && i + 1 < pieces.size() && pieces[i - 1].IsWord() &&
                                      pieces[i + 1].IsWord() && IsBlankOnly(piece.raw);
            if (betweenWords) continue;  // RFC 2047: blanks between encoded words are no text
            if (HasIso2022JpEscape(piece.raw)) {
                AppendIso2022JpText(piece.raw, out);
            } else if (IsAscii(piece.raw) || rawUtf8) {
                out += piece.raw;
            } else {
                AppendCharsetText(rawCharset, piece.raw, out);
            }
            continue;
        }
        // The bytes of adjacent words in one charset are one text: writers
        // cut words at a byte count, through a UTF-8 sequence or between
        // an ISO-2022-JP escape and the characters it announces.
        std::string bytes = piece.bytes;
        std::size_t next = i + 1;
        while (next < pieces.size()) {
            std::size_t word = next;
            if (!pieces[word].IsWord() && IsBlankOnly(pieces[word].raw)) ++word;
            if (word >= pieces.size() || !pieces[word].IsWord() || !SameCharset(pieces[word].charset, piece.charset)) {
                break;
            }
            bytes += pieces[word].bytes;
            next = word + 1;
        }
        AppendCharsetText(piece.charset, bytes, out);
        i = next - 1;
    }
    return out;
}

}  // namespace tervaline::engine
