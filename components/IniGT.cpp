#include "components/IniGT.h"

#include <cstdio>
#include <utility>

#include "platform/FileSystem.h"

namespace tervaline::components {

namespace {

constexpr char kOpenCorner = '\xA2';
constexpr char kCloseCorner = '\xA3';

std::string_view FolderDelimiters(platform::TPathSyntax syntax) {
    return syntax == platform::TPathSyntax::Windows ? std::string_view("\\:") : std::string_view("/");
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

bool AcceptsQuotes(TIniGTFence fence) { return fence == fnDoubleQuote || fence == fnVer11Mode; }
bool AcceptsCorners(TIniGTFence fence) { return fence == fnParenthesis || fence == fnVer11Mode; }

// Puts Fence back however the read that changed it ends.
class TFenceScope {
public:
    TFenceScope(TIniGT& ini, TIniGTFence fence) : ini_(ini), saved_(ini.Fence()) { ini_.SetFence(fence); }
    ~TFenceScope() { ini_.SetFence(saved_); }
    TFenceScope(const TFenceScope&) = delete;
    TFenceScope& operator=(const TFenceScope&) = delete;

private:
    TIniGT& ini_;
    TIniGTFence saved_;
};

}  // namespace

std::string ResolveProfilePath(platform::TPathSyntax syntax, std::string_view name,
                               TIniGTDefaultDir defaultDir, std::string_view programFolder,
                               std::string_view systemFolder) {
    const bool hasFolderPart = platform::LastDelimiter(FolderDelimiters(syntax), name) != std::string_view::npos;
    if (hasFolderPart) return std::string(name);
    switch (defaultDir) {
        case ddApplication:
            return platform::IncludeTrailingDelimiter(syntax, programFolder) + std::string(name);
        case ddWindows:
            return platform::IncludeTrailingDelimiter(syntax, systemFolder) + std::string(name);
        case ddNone:
            break;
    }
    return std::string(name);
}

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

TIniGT::TIniGT(platform::TComponent* owner)
    : platform::TComponent(owner), iniFile_(std::make_unique<platform::TProfileFile>(std::string())) {}

void TIniGT::SetDefaultDir(TIniGTDefaultDir value) {
    defaultDir_ = value;
    SetFileName(fileName_);
}

void TIniGT::SetFileName(std::string value) {
    fileName_ = std::move(value);
    iniFile_ = std::make_unique<platform::TProfileFile>(ResolveProfilePath(
        platform::NativePathSyntax(), fileName_, defaultDir_, platform::ProgramFolder(), kSystemConfigFolder));
}

std::string TIniGT::ReadRawString(std::string_view section, std::string_view ident,
                                  std::string_view defaultValue) const {
    return iniFile_->ReadString(section, ident, defaultValue);
}

std::int32_t TIniGT::ReadInteger(std::string_view section, std::string_view ident,
                                 std::int32_t defaultValue) const {
    std::string text = ReadRawString(section, ident, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'X' || text[1] == 'x')) {
        text.replace(0, 2, "$");
    }
    return StrToInt(text).value_or(defaultValue);
}

std::string TIniGT::ReadString(std::string_view section, std::string_view ident,
                               std::string_view defaultValue) const {
    std::string fenced(defaultValue);
    if (fence_ == fnDoubleQuote) {
        fenced = '"' + fenced + '"';
    } else if (AcceptsCorners(fence_)) {
        fenced = kOpenCorner + fenced + kCloseCorner;
    }
    const std::string raw = ReadRawString(section, ident, fenced);
    std::string_view value = raw;
    if (value.size() >= 2) {
        const bool quoted = value.front() == '"' && value.back() == '"' && AcceptsQuotes(fence_);
        const bool cornered = value.front() == kOpenCorner && value.back() == kCloseCorner && AcceptsCorners(fence_);
        if (quoted || cornered) value = value.substr(1, value.size() - 2);
    }
    return std::string(TrimControls(value));
}

TColor TIniGT::ReadColor(std::string_view section, std::string_view ident, TColor defaultValue) const {
    return ReadHex(section, ident, defaultValue);
}

std::uint32_t TIniGT::ReadHex(std::string_view section, std::string_view ident,
                              std::uint32_t defaultValue) const {
    char defaultText[16];
    std::snprintf(defaultText, sizeof defaultText, "0x%08X", static_cast<unsigned>(defaultValue));
    const std::string raw = ReadRawString(section, ident, defaultText);
    const std::string digits = raw.size() > 2 ? raw.substr(2, 8) : std::string();
    const auto value = ParseHex(digits);
    if (!value) throw EConvertError("'$" + digits + "' は整数ではありません");
    return *value;
}

void TIniGT::ReadFont(std::string_view section, std::string_view ident, TFontAttributes& font) {
    const std::string key(ident);
    TFontAttributes work = DefaultFontAttributes();
    {
        TFenceScope scope(*this, fnVer11Mode);
        work.Name = ReadString(section, key + ".Name", font.Name);
    }
    work.Size = ReadInteger(section, key + ".Size", font.Size);
    work.Style = static_cast<std::uint8_t>(ReadInteger(section, key + ".Style", font.Style) & 0xFF);
    work.Color = ReadColor(section, key + ".Color", font.Color);
    const std::string charset = ReadString(section, key + ".Charset", CharsetIdentifier(font.Charset));
    if (const auto value = CharsetFromIdentifier(charset)) work.Charset = *value;
    font = std::move(work);
}

}  // namespace tervaline::components
