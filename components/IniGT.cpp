#include "components/IniGT.h"

#include <cstdio>
#include <utility>

#include "platform/FileSystem.h"

namespace tervaline::components {

namespace {

std::string_view FolderDelimiters(platform::TPathSyntax syntax) {
    return syntax == platform::TPathSyntax::Windows ? std::string_view("\\:") : std::string_view("/");
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
    return platform::ProfileInteger(ReadRawString(section, ident, "")).value_or(defaultValue);
}

std::string TIniGT::ReadString(std::string_view section, std::string_view ident,
                               std::string_view defaultValue) const {
    std::string fenced(defaultValue);
    if (fence_ == fnDoubleQuote) {
        fenced = '"' + fenced + '"';
    } else if (AcceptsCorners(fence_)) {
        fenced = platform::kOpenCorner + fenced + platform::kCloseCorner;
    }
    return platform::UnfencedProfileString(ReadRawString(section, ident, fenced), AcceptsQuotes(fence_),
                                           AcceptsCorners(fence_));
}

TColor TIniGT::ReadColor(std::string_view section, std::string_view ident, TColor defaultValue) const {
    return ReadHex(section, ident, defaultValue);
}

std::uint32_t TIniGT::ReadHex(std::string_view section, std::string_view ident,
                              std::uint32_t defaultValue) const {
    char defaultText[16];
    std::snprintf(defaultText, sizeof defaultText, "0x%08X", static_cast<unsigned>(defaultValue));
    const std::string raw = ReadRawString(section, ident, defaultText);
    return platform::ProfileHex(raw);
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
    const std::string charset = ReadString(section, key + ".Charset", platform::CharsetIdentifier(font.Charset));
    if (const auto value = platform::CharsetFromIdentifier(charset)) work.Charset = *value;
    font = std::move(work);
}

}  // namespace tervaline::components
