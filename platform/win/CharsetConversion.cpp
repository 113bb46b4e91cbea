// The charsets of a Windows system: its code pages. Each iconv name is read
// in the code page of the same charset, and read as the C library's iconv
// reads it, so that a report says the same on Windows as on Linux: bad
// bytes give one U+FFFD each, and where a code page fills a place the
// charset leaves empty (a C1 control in a hole, a user-defined character)
// or follows another edition of it, the place reads as iconv's.
#include "platform/CharsetConversion.h"

#include <windows.h>

#include <array>
#include <map>
#include <optional>
#include <span>

#include "platform/Utf8Text.h"
#include "platform/win/JoinedMarks.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

namespace {

constexpr int kBad = -1;

// How the characters of a code page are told apart.
enum class EWalk {
    Ascii,          // seven bits; every other byte is bad
    SingleByte,     // one byte a character
    DoubleByte,     // a lead byte and the byte after it, or one byte
    EucDoubleByte,  // two bytes of 0xA1-0xFE, or one of seven bits
    EucJp,          // EUC-JP as iconv's EUC-JP-MS reads it
};

// A byte that iconv reads other than the code page does: the character
// iconv gives, or kBad.
struct TByteFix {
    unsigned char byte;
    int character;
};

// The same of a run of two-byte characters, First to Last.
struct TPairFix {
    unsigned short first;
    unsigned short last;
    int character;
};

struct TReading {
    std::string_view names;  // folded, blank-separated
    UINT number;  // the code page
    EWalk walk;
    // Windows reads the holes of its own code pages as the C1 control of
    // the same number; iconv reads them as none.
    bool holesBad = false;
    // Windows reads the user-defined areas of its Chinese and Korean code
    // pages into the Private Use Area; iconv reads no such characters but
    // those whose lead byte lies between these.
    bool privateUseBad = false;
    unsigned char firstKeptLead = 0;
    unsigned char lastKeptLead = 0;
    std::span<const TByteFix> fixes = {};
    std::span<const TPairFix> pairFixes = {};
    // The bytes of a run the charset has no characters for where the code
    // page has (0, 0: none).
    unsigned char firstBad = 0;
    unsigned char lastBad = 0;
    // Whether iconv reads the bytes 0x80-0x9F that start no character as
    // the C1 controls of the same number.
    bool controlsRead = false;
};

// The edition of 2003, with the euro; Windows has the one of 1987.
constexpr TByteFix kGreek[] = {{0xA1, 0x2018}, {0xA2, 0x2019}, {0xA4, 0x20AC}, {0xA5, 0x20AF}, {0xAA, 0x037A}};
constexpr TByteFix kHebrew[] = {{0xAF, 0x00AF}, {0xFD, 0x200E}, {0xFE, 0x200F}};
constexpr TByteFix kWindowsHebrew[] = {{0xCA, kBad}};
// Windows' KOI8-U has the Belarusian letters where KOI8-U has box drawing.
constexpr TByteFix kUkrainian[] = {{0xAE, 0x255D}, {0xBE, 0x256C}};
constexpr TByteFix kMac[] = {{0xBD, 0x03A9}, {0xC6, 0x0394}, {0xF0, 0xE01E}};
// GB2312 without what GBK added to its rows, and two marks as the
// standard's table has them.
// Shift_JIS as the standard has it: the yen sign and the overline in
// ASCII's place, six marks as JIS has them, and none of the rows that
// Windows added (NEC's, IBM's, the user-defined ones).
constexpr TByteFix kShiftJisBytes[] = {{0x5C, 0x00A5}, {0x7E, 0x203E}};
constexpr TPairFix kShiftJis[] = {{0x8160, 0x8160, 0x301C}, {0x8161, 0x8161, 0x2016}, {0x817C, 0x817C, 0x2212},
                                  {0x8191, 0x8191, 0x00A2}, {0x8192, 0x8192, 0x00A3}, {0x81CA, 0x81CA, 0x00AC},
                                  {0x8740, 0x879F, kBad},   {0xED40, 0xEEFC, kBad},   {0xF040, 0xFCFC, kBad}};
// The postal mark KS X 1001 added in 2002.
constexpr TPairFix kEucKr[] = {{0xA2E8, 0xA2E8, 0x327E}};
constexpr TPairFix kGb2312[] = {{0xA1A4, 0xA1A4, 0x30FB}, {0xA1AA, 0xA1AA, 0x2015}, {0xA2A1, 0xA2AA, kBad},
                                {0xA6E0, 0xA6F5, kBad},   {0xA8BB, 0xA8C0, kBad}};

// The charsets by the names iconv gives them, folded: without case and
// punctuation. Those the code pages of DOS and of IBM's mainframes read as
// iconv does are here too; those they read otherwise are not.
constexpr TReading kReadings[] = {
    {"ascii usascii ansix341968 ansix341986 iso646us iso646irv1991 isoir6 us cp367 ibm367 csascii", 20127,
     EWalk::Ascii},
    {"iso88591 iso885911987 latin1 l1 isoir100 cp819 ibm819 csisolatin1", 28591, EWalk::SingleByte},
    {"iso88592 iso885921987 latin2 l2 isoir101 csisolatin2", 28592, EWalk::SingleByte},
    {"iso88593 iso885931988 latin3 l3 isoir109 csisolatin3", 28593, EWalk::SingleByte},
    {"iso88594 iso885941988 latin4 l4 isoir110 csisolatin4", 28594, EWalk::SingleByte},
    {"iso88595 iso885951988 cyrillic isoir144 csisolatincyrillic", 28595, EWalk::SingleByte},
    {"iso88596 iso885961987 arabic isoir127 ecma114 asmo708 csisolatinarabic", 28596, EWalk::SingleByte},
    {"iso88597 iso885971987 iso885972003 greek greek8 isoir126 ecma118 elot928 csisolatingreek", 28597,
     EWalk::SingleByte, false, false, 0, 0, kGreek},
    {"iso88598 iso885981988 hebrew isoir138 csisolatinhebrew", 28598, EWalk::SingleByte, false, false, 0, 0,
     kHebrew},
    {"iso88599 iso885991989 latin5 l5 isoir148 csisolatin5", 28599, EWalk::SingleByte},
    {"iso885913 latin7 isoir179", 28603, EWalk::SingleByte},
    {"iso885915 iso8859151998 latin9 latin0 isoir203", 28605, EWalk::SingleByte},
    {"koi8r cskoi8r", 20866, EWalk::SingleByte},
    {"koi8u", 21866, EWalk::SingleByte, false, false, 0, 0, kUkrainian},
    {"macintosh mac csmacintosh", 10000, EWalk::SingleByte, false, false, 0, 0, kMac},
    {"cp874 windows874 ibm874", 874, EWalk::SingleByte, true},
    // Thai as the standards have it: none of the punctuation Windows adds.
    {"tis620 tis6200 tis62025291 tis62025330 isoir166", 874, EWalk::SingleByte, true, false, 0, 0, {}, {}, 0x80,
     0xA0},
    {"iso885911", 874, EWalk::SingleByte, true, false, 0, 0, {}, {}, 0, 0, true},
    {"cp1250 windows1250", 1250, EWalk::SingleByte, true},
    {"cp1251 windows1251", 1251, EWalk::SingleByte, true},
    {"cp1252 windows1252", 1252, EWalk::SingleByte, true},
    {"cp1253 windows1253", 1253, EWalk::SingleByte, true},
    {"cp1254 windows1254", 1254, EWalk::SingleByte, true},
    {"cp1255 windows1255", 1255, EWalk::SingleByte, true, false, 0, 0, kWindowsHebrew},
    {"cp1256 windows1256", 1256, EWalk::SingleByte, true},
    {"cp1257 windows1257", 1257, EWalk::SingleByte, true},
    {"cp1258 windows1258", 1258, EWalk::SingleByte, true},
    {"cp037 ibm037", 37, EWalk::SingleByte},
    {"cp437 ibm437", 437, EWalk::SingleByte},
    {"cp500 ibm500", 500, EWalk::SingleByte},
    {"cp737 ibm737", 737, EWalk::SingleByte},
    {"cp775 ibm775", 775, EWalk::SingleByte},
    {"cp850 ibm850", 850, EWalk::SingleByte},
    {"cp852 ibm852", 852, EWalk::SingleByte},
    {"cp855 ibm855", 855, EWalk::SingleByte},
    {"cp857 ibm857", 857, EWalk::SingleByte},
    {"cp860 ibm860", 860, EWalk::SingleByte},
    {"cp861 ibm861", 861, EWalk::SingleByte},
    {"cp862 ibm862", 862, EWalk::SingleByte},
    {"cp863 ibm863", 863, EWalk::SingleByte},
    {"cp865 ibm865", 865, EWalk::SingleByte},
    {"cp866 ibm866", 866, EWalk::SingleByte},
    {"cp932 windows31j", 932, EWalk::DoubleByte, true},
    {"shiftjis sjis mskanji csshiftjis", 932, EWalk::DoubleByte, true, false, 0, 0, kShiftJisBytes, kShiftJis},
    {"eucjpms eucjpopen eucjpwin", 932, EWalk::EucJp, true, false, 0, 0, {}, {}, 0, 0, true},
    {"gbk cp936 windows936 ms936", 936, EWalk::DoubleByte, true, true},
    {"gb2312 euccn csgb2312", 936, EWalk::EucDoubleByte, false, true, 0, 0, {}, kGb2312},
    // iconv's Big5 has the user-defined rows of ETEN, C6A1-C8FE, as
    // Windows has them, and reads 0x80 as a C1 control.
    {"big5 cp950 bigfive csbig5", 950, EWalk::DoubleByte, false, true, 0xC6, 0xC8},
    {"uhc cp949", 949, EWalk::DoubleByte, true, true},
    {"euckr cseuckr", 949, EWalk::EucDoubleByte, false, true, 0, 0, {}, kEucKr, 0, 0, true},
};

// A charset name without case and punctuation, as names are compared.
std::string Folded(std::string_view name) {
    std::string folded;
    for (const char c : name) {
        if (c >= 'A' && c <= 'Z') {
            folded += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            folded += c;
        } else if (c != '-' && c != '_' && c != '.' && c != ':' && c != ' ') {
            return {};  // no charset's name holds it
        }
    }
    return folded;
}

bool Names(std::string_view names, std::string_view name) {
    while (!names.empty()) {
        const std::size_t blank = names.find(' ');
        if (names.substr(0, blank) == name) return true;
        if (blank == std::string_view::npos) break;
        names.remove_prefix(blank + 1);
    }
    return false;
}

std::optional<TReading> Resolve(std::string_view charset) {
    const std::string folded = Folded(charset);
    if (folded.empty()) return std::nullopt;
    for (const TReading& reading : kReadings) {
        if (!Names(reading.names, folded)) continue;
        if (!::IsValidCodePage(reading.number)) return std::nullopt;
        return reading;
    }
    return std::nullopt;
}

// The characters of Count bytes at Bytes; nothing when they hold a byte
// the code page cannot read.
std::optional<std::wstring> Wide(UINT codePage, const char* bytes, std::size_t count) {
    if (count == 0) return std::wstring();
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), wide.data(), length);
    return wide;
}

bool IsPrivateUse(wchar_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Whether Wide, which Reading's code page made of a text, may hold a
// character iconv reads none of; the text is then read character by
// character.
bool MayHoldUnread(const TReading& reading, std::wstring_view wide) {
    for (const wchar_t c : wide) {
        if (reading.holesBad && c >= 0x80 && c <= 0x9F) return true;
        if (reading.privateUseBad && IsPrivateUse(c)) return true;
    }
    return false;
}

// Whether Wide, which Reading's code page made of the one character Bytes,
// is one iconv reads none of.
bool IsUnread(const TReading& reading, std::string_view bytes, std::wstring_view wide) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const bool kept = lead >= reading.firstKeptLead && lead <= reading.lastKeptLead && reading.lastKeptLead != 0;
    for (const wchar_t c : wide) {
        if (reading.holesBad && c >= 0x80 && c <= 0x9F) return true;
        if (reading.privateUseBad && IsPrivateUse(c) && !kept) return true;
    }
    return false;
}

// What each byte of a single-byte code page reads as; kBad for none.
using TByteTable = std::array<int, 256>;

TByteTable MakeByteTable(const TReading& reading) {
    TByteTable table{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const std::optional<std::wstring> wide = Wide(reading.number, &byte, 1);
        table[b] = wide && wide->size() == 1 ? static_cast<int>((*wide)[0]) : kBad;
        if (reading.holesBad && b >= 0x80 && b <= 0x9F && table[b] == b) table[b] = kBad;
        if (b >= reading.firstBad && b <= reading.lastBad && reading.lastBad != 0) table[b] = kBad;
        if (reading.controlsRead && b >= 0x80 && b <= 0x9F) table[b] = b;
    }
    for (const TByteFix& fix : reading.fixes) table[fix.byte] = fix.character;
    return table;
}

const TByteTable& ByteTable(const TReading& reading) {
    // Made once per thread and reading: a store names a handful of
    // charsets in thousands of headers.
    thread_local std::map<std::pair<UINT, std::string_view>, TByteTable> tables;
    const auto key = std::make_pair(reading.number, reading.names);
    auto found = tables.find(key);
    if (found == tables.end()) found = tables.emplace(key, MakeByteTable(reading)).first;
    return found->second;
}

void AppendCodePoint(int c, std::wstring& wide) {
    if (c == kBad) c = 0xFFFD;
    if (c >= 0x10000) {
        c -= 0x10000;
        wide += static_cast<wchar_t>(0xD800 + (c >> 10));
        wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        wide += static_cast<wchar_t>(c);
    }
}

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// Whether iconv reads C as a C1 control of its own in Reading's EUC.
bool IsEucControl(const TReading& reading, unsigned char c) {
    if (!reading.controlsRead || c < 0x80 || c > 0x9F) return false;
    return reading.walk != EWalk::EucJp || (c != 0x8E && c != 0x8F);
}

// The one character of Bytes, as iconv reads it; nothing when iconv reads
// none there.
std::optional<std::wstring> Character(const TReading& reading, std::string_view bytes) {
    const auto c1 = static_cast<unsigned char>(bytes[0]);
    if (IsEucControl(reading, c1)) return std::wstring(1, static_cast<wchar_t>(c1));
    for (const TByteFix& fix : reading.fixes) {
        if (bytes.size() != 1 || c1 != fix.byte) continue;
        if (fix.character == kBad) return std::nullopt;
        std::wstring wide;
        AppendCodePoint(fix.character, wide);
        return wide;
    }
    if (bytes.size() == 2) {
        const unsigned pair = c1 << 8 | static_cast<unsigned char>(bytes[1]);
        for (const TPairFix& fix : reading.pairFixes) {
            if (pair < fix.first || pair > fix.last) continue;
            if (fix.character == kBad) return std::nullopt;
            std::wstring wide;
            AppendCodePoint(fix.character, wide);
            return wide;
        }
    }
    std::string_view converted = bytes;
    char sjis[2];
    if (reading.walk == EWalk::EucJp && bytes.size() >= 2) {
        const auto c2 = static_cast<unsigned char>(bytes[1]);
        std::wstring wide;
        if (c1 == 0x8E) {
            // Half-width katakana, which CP932 holds as single bytes.
            if (c2 > 0xDF) return std::nullopt;
            return Wide(reading.number, bytes.data() + 1, 1);
        }
        if (c1 == 0x8F) {
            // JIS X 0212, of which only the user-defined rows, which
            // follow those of JIS X 0208 in the Private Use Area, are
            // read: Windows has no table of the rest.
            const auto c3 = static_cast<unsigned char>(bytes[2]);
            if (c2 < 0xF5) return std::nullopt;
            AppendCodePoint(0xE3AC + (c2 - 0xF5) * 94 + (c3 - 0xA1), wide);
            return wide;
        }
        if (c1 >= 0xF5) {
            // The user-defined rows 85-94, into the Private Use Area.
            AppendCodePoint(0xE000 + (c1 - 0xF5) * 94 + (c2 - 0xA1), wide);
            return wide;
        }
        // JIS X 0208 with the NEC row 13: the CP932 pair of the same
        // character, by the JIS-to-Shift_JIS arithmetic.
        const unsigned j1 = c1 - 0x80, j2 = c2 - 0x80;
        sjis[0] = static_cast<char>((j1 - 0x21) / 2 + (j1 <= 0x5E ? 0x81 : 0xC1));
        sjis[1] = static_cast<char>((j1 & 1) != 0 ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E);
        converted = std::string_view(sjis, 2);
    }
    std::optional<std::wstring> character = Wide(reading.number, converted.data(), converted.size());
    if (character && IsUnread(reading, converted, *character)) return std::nullopt;
    return character;
}

// The length of the character at the start of Bytes; 0 when its first
// byte starts none. Cut: the end of Bytes comes before the character does,
// every byte before it fitting.
std::size_t CharacterLength(const TReading& reading, std::string_view bytes, bool& cut) {
    const auto c = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 1;
    const bool euc = reading.walk == EWalk::EucDoubleByte || reading.walk == EWalk::EucJp;
    if (reading.walk == EWalk::DoubleByte && ::IsDBCSLeadByteEx(reading.number, c)) {
        length = 2;
    } else if (euc && c >= 0x80 && !IsEucControl(reading, c)) {
        if (reading.walk == EWalk::EucJp && c == 0x8F) {
            length = 3;
        } else if (IsEucByte(c) || (reading.walk == EWalk::EucJp && c == 0x8E)) {
            length = 2;
        } else {
            return 0;
        }
    }
    // iconv waits for the rest of a character whose bytes so far are no
    // lower than an EUC byte, and 0xFF among them spoils only a whole one.
    for (std::size_t k = 1; k < length; ++k) {
        if (k == bytes.size()) {
            cut = true;
            return 0;
        }
        if (euc && static_cast<unsigned char>(bytes[k]) < 0xA1) return 0;
    }
    for (std::size_t k = 1; euc && k < length; ++k) {
        if (!IsEucByte(static_cast<unsigned char>(bytes[k]))) return 0;
    }
    return length;
}

// Bytes read one character at a time, each byte that starts none given as
// U+FFFD and the text read on from the byte after it, as iconv reads.
std::wstring WideByCharacter(const TReading& reading, std::string_view bytes) {
    std::wstring wide;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        bool cut = false;
        const std::size_t length = CharacterLength(reading, rest, cut);
        if (cut) {
            // iconv stops at a character the end cuts short.
            wide += L'\xFFFD';
            break;
        }
        std::optional<std::wstring> character;
        if (length > 0) character = Character(reading, rest.substr(0, length));
        if (character) {
            wide += *character;
            at += length;
        } else {
            wide += L'\xFFFD';
            ++at;
        }
    }
    return wide;
}

}  // namespace

bool IsKnownCharset(std::string_view charset) { return IsUtf8Name(charset) || Resolve(charset).has_value(); }

bool AppendConvertedText(std::string_view charset, std::string_view bytes, std::string& out) {
    if (IsUtf8Name(charset)) {
        AppendUtf8Text(bytes, out);
        return true;
    }
    const std::optional<TReading> reading = Resolve(charset);
    if (!reading) return false;
    std::wstring wide;
    switch (reading->walk) {
        case EWalk::Ascii:
            for (const char c : bytes) AppendCodePoint(static_cast<unsigned char>(c) < 0x80 ? c : kBad, wide);
            break;
        case EWalk::SingleByte: {
            const TByteTable& table = ByteTable(*reading);
            for (const char c : bytes) AppendCodePoint(table[static_cast<unsigned char>(c)], wide);
            if (const auto joins = JoinsOf(reading->number); !joins.empty()) wide = JoinMarks(joins, wide);
            break;
        }
        case EWalk::DoubleByte: {
            // Most text converts whole; only the rest, and the text of a
            // charset that reads some characters apart, is read character
            // by character.
            std::optional<std::wstring> whole;
            if (reading->fixes.empty() && reading->pairFixes.empty()) {
                whole = Wide(reading->number, bytes.data(), bytes.size());
            }
            wide = whole && !MayHoldUnread(*reading, *whole) ? std::move(*whole) : WideByCharacter(*reading, bytes);
            break;
        }
        case EWalk::EucDoubleByte:
        case EWalk::EucJp:
            wide = WideByCharacter(*reading, bytes);
            break;
    }
    out += NarrowText(wide);
    return true;
}

}  // namespace tervaline::platform
