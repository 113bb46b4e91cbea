#include "engine/report/MailCharset.h"

#include <initializer_list>

#include "engine/AsciiCase.h"
#include "engine/report/Iso2022Jp.h"
#include "platform/CharsetConversion.h"
#include "platform/Utf8Text.h"

namespace tervaline::engine {

namespace {

// The label without its RFC 2231 language.
std::string_view CharsetName(std::string_view label) { return label.substr(0, label.find('*')); }

bool Is(std::string_view name, std::string_view other) { return SameAsciiWord(name, other); }

bool IsAnyOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (const std::string_view other : names) {
        if (Is(name, other)) return true;
    }
    return false;
}

// Japanese mail is mostly written on Windows, whose code pages are
// supersets of the standards their labels name: the NEC and IBM
// characters in them (①, ㈱, 髙) are not in the standard tables.
const char* EucJpCharset() {
    static const char* const charset = platform::IsKnownCharset("EUC-JP-MS") ? "EUC-JP-MS" : "EUC-JP";
    return charset;
}

enum class EReader { System, Iso2022Jp };

struct TCharset {
    EReader reader = EReader::System;
    std::string_view name;  // the system's
};

TCharset Resolve(std::string_view label) {
    const std::string_view name = CharsetName(label);
    if (IsAnyOf(name, {"iso-2022-jp", "csiso2022jp", "cp50220", "cp50221", "cp50222"})) {
        return {EReader::Iso2022Jp, {}};
    }
    if (IsAnyOf(name, {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j",
                       "cp932", "ms932", "x-ms-cp932"})) {
        return {EReader::System, "CP932"};
    }
    if (IsAnyOf(name, {"euc-jp", "eucjp", "x-euc-jp", "ujis", "cseucpkdfmtjapanese"})) {
        return {EReader::System, EucJpCharset()};
    }
    // Windows programs label Windows-1252 text Latin-1 or even ASCII; the
    // C1 controls Latin-1 would give for its 0x80-0x9F (curly quotes, €)
    // are never what was meant.
    if (IsAnyOf(name, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "us-ascii", "ascii"})) {
        return {EReader::System, "CP1252"};
    }
    return {EReader::System, name};
}

void AppendAsciiOnly(std::string_view bytes, std::string& out) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c;
        } else {
            out += platform::kReplacementCharacter;
        }
    }
}

}  // namespace

void AppendCharsetText(std::string_view label, std::string_view bytes, std::string& out) {
    const TCharset charset = Resolve(label);
    if (charset.reader == EReader::Iso2022Jp) {
        AppendIso2022JpText(bytes, out);
        return;
    }
    if (!platform::AppendConvertedText(charset.name, bytes, out)) AppendAsciiOnly(bytes, out);
}

bool SameCharset(std::string_view a, std::string_view b) {
    const TCharset first = Resolve(a);
    const TCharset second = Resolve(b);
    return first.reader == second.reader && Is(first.name, second.name);
}

bool IsUtf8(std::string_view bytes) { return platform::IsWellFormedUtf8(bytes); }

}  // namespace tervaline::engine
