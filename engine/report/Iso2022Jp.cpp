#include "engine/report/Iso2022Jp.h"

#include "platform/CharsetConversion.h"

namespace tervaline::engine {

namespace {

constexpr char kEsc = '\x1B';
constexpr char kShiftOut = '\x0E';  // half-width katakana until Shift In
constexpr char kShiftIn = '\x0F';

enum class ESet {
    Ascii,     // ASCII, and JIS X 0201 Roman, which mail programs read as ASCII
    Kanji,     // JIS X 0208, either edition, with the NEC and IBM rows
    Katakana,  // JIS X 0201 half-width katakana
    Unknown,   // a two-byte set this reader has no table for
};

bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

// The set an escape sequence at the start of Text designates, and its
// length; length 0 when Text starts no escape sequence this reader knows
// the shape of.
struct TEscape {
    std::size_t length = 0;
    ESet set = ESet::Ascii;
    bool designates = false;  // false: an announcement that changes no set
};

TEscape ReadEscape(std::string_view text) {
    // ISO 2022: ESC, intermediate bytes 0x20-0x2F, one final byte 0x30-0x7E.
    std::size_t n = 1;
    while (n < text.size() && text[n] >= 0x20 && text[n] <= 0x2F) ++n;
    if (n == 1 || n >= text.size() || text[n] < 0x30 || text[n] > 0x7E) return {};
    const std::string_view seq = text.substr(1, n);
    TEscape escape{n + 1, ESet::Ascii, true};
    if (seq == "(B" || seq == "(J") {
        escape.set = ESet::Ascii;
    } else if (seq == "(I") {
        escape.set = ESet::Katakana;
    } else if (seq == "$@" || seq == "$B" || seq == "$(@" || seq == "$(B") {
        escape.set = ESet::Kanji;
    } else if (seq == "&@") {
        // Announces the 1990 edition of JIS X 0208 ahead of ESC $ B.
        escape.designates = false;
    } else if (seq[0] == '$' && (seq.size() == 2 || seq[1] == '(')) {
        escape.set = ESet::Unknown;  // JIS X 0212, or another country's two-byte set
    } else if (seq[0] == '(') {
        escape.set = ESet::Ascii;  // a national variant of ASCII
    } else {
        escape.designates = false;  // a G1-G3 designation, which ISO-2022-JP never makes
    }
    return escape;
}

// Collects the text as CP932 bytes: the arithmetic below turns every
// JIS X 0208 byte pair into the CP932 pair of the same character, and
// CP932 is the table that holds the NEC row 13 and IBM rows 89-92 that
// Windows programs write in ISO-2022-JP, which the system's ISO-2022-JP
// converter refuses or reads as other characters.
class TCp932Text {
public:
    explicit TCp932Text(std::string& out) : out_(out) {}

    void Byte(char c) { pending_ += c; }
    void Kanji(unsigned char j1, unsigned char j2) {
        const unsigned char s1 = static_cast<unsigned char>((j1 - 0x21) / 2 + (j1 <= 0x5E ? 0x81 : 0xC1));
        const unsigned char s2 = static_cast<unsigned char>(
            (j1 & 1) != 0 ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E);
        pending_ += static_cast<char>(s1);
        pending_ += static_cast<char>(s2);
    }
    void Katakana(unsigned char c) { pending_ += static_cast<char>(c + 0x80); }
    void Invalid() {
        Flush();
        out_ += platform::kReplacementCharacter;
    }
    void Flush() {
        if (pending_.empty()) return;
        if (!platform::AppendConvertedText("CP932", pending_, out_)) {
            for (const char c : pending_) {
                if (static_cast<unsigned char>(c) < 0x80) {
                    out_ += c;
                } else {
                    out_ += platform::kReplacementCharacter;
                }
            }
        }
        pending_.clear();
    }

private:
    std::string& out_;
    std::string pending_;
};

}  // namespace

bool HasIso2022JpEscape(std::string_view bytes) {
    for (std::size_t at = bytes.find(kEsc); at != std::string_view::npos; at = bytes.find(kEsc, at + 1)) {
        const TEscape escape = ReadEscape(bytes.substr(at));
        if (escape.length > 0 && escape.designates && escape.set != ESet::Unknown) return true;
    }
    return false;
}

void AppendIso2022JpText(std::string_view bytes, std::string& out) {
    TCp932Text text(out);
    ESet set = ESet::Ascii;
    bool shiftedOut = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == kEsc) {
            const TEscape escape = ReadEscape(bytes.substr(i));
            if (escape.length == 0) {
                text.Invalid();
                continue;
            }
            if (escape.designates) set = escape.set;
            i += escape.length - 1;
            continue;
        }
        if (c == kShiftOut || c == kShiftIn) {
            shiftedOut = c == kShiftOut;
            continue;
        }
        // Blanks and controls are themselves in every set: some programs
        // leave a space between two-byte characters unescaped.
        if (u < 0x21) {
            text.Byte(c);
            continue;
        }
        const ESet in = shiftedOut ? ESet::Katakana : set;
        switch (in) {
            case ESet::Ascii:
                // Eight-bit bytes are not ISO-2022-JP; the only ones met in
                // it are half-width katakana, which CP932 reads as such.
                text.Byte(c);
                break;
            case ESet::Katakana:
                if (u <= 0x5F) {
                    text.Katakana(u);
                } else {
                    text.Invalid();
                }
                break;
            case ESet::Kanji:
            case ESet::Unknown:
                if (IsJisByte(u) && i + 1 < bytes.size() && IsJisByte(static_cast<unsigned char>(bytes[i + 1]))) {
                    if (in == ESet::Kanji) {
                        text.Kanji(u, static_cast<unsigned char>(bytes[i + 1]));
                    } else {
                        text.Invalid();
                    }
                    ++i;
                } else {
                    text.Invalid();
                }
                break;
        }
    }
    text.Flush();
}

}  // namespace tervaline::engine
