#include "platform/ProfileFileValues.h"

#include <array>

namespace tervaline::platform {

namespace {

struct TCharsetName {
    std::string_view Identifier;
    std::uint8_t Value;
};

constexpr std::array<TCharsetName, 18> kCharsets{{
    {"ANSI_CHARSET", 0},        {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},        {"SHIFTJIS_CHARSET", 128},   {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},     {"GB2312_CHARSET", 134},     {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},     {"TURKISH_CHARSET", 162},    {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178},    {"BALTIC_CHARSET", 186},     {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},      {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255},
}};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Up to 8 hexadecimal digits filling 32 bits; nothing for anything else.
std::optional<std::uint32_t> ParseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string_view TrimControls(std::string_view text) {
    auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::int32_t> StrToInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '$') {
        const auto hex = ParseHex(text.substr(1));
        if (!hex) return std::nullopt;
        const std::uint32_t magnitude = negative ? (0u - *hex) : *hex;
        return static_cast<std::int32_t>(magnitude);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ProfileInteger(std::string_view value) {
    std::string text(value);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'X' || text[1] == 'x')) text.replace(0, 2, "$");
    return StrToInt(text);
}

std::uint32_t ProfileHex(std::string_view value) {
    const std::string digits(value.size() > 2 ? value.substr(2, 8) : std::string_view());
    const auto parsed = ParseHex(digits);
    // The platform's own words for the failure, as its conversion gives them.
    if (!parsed) throw EConvertError("'$" + digits + "' は整数ではありません");
    return *parsed;
}

std::string UnfencedProfileString(std::string_view value, bool quotes, bool corners) {
    if (value.size() >= 2) {
        const bool quoted = value.front() == '"' && value.back() == '"' && quotes;
        const bool cornered = value.front() == kOpenCorner && value.back() == kCloseCorner && corners;
        if (quoted || cornered) value = value.substr(1, value.size() - 2);
    }
    return std::string(TrimControls(value));
}

std::optional<std::uint8_t> CharsetFromIdentifier(std::string_view identifier) {
    for (const auto& entry : kCharsets) {
        if (SameIgnoringCase(entry.Identifier, identifier)) return entry.Value;
    }
    return std::nullopt;
}

std::string CharsetIdentifier(std::uint8_t charset) {
    for (const auto& entry : kCharsets) {
        if (entry.Value == charset) return std::string(entry.Identifier);
    }
    return {};
}

}  // namespace tervaline::platform
