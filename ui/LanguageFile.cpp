#include "ui/LanguageFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/CodePageText.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileFileValues.h"
#include "platform/Utf8Text.h"

namespace tervaline::ui {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLanguageFileName(std::string_view name) {
    constexpr std::string_view kExtension = ".lng";
    if (name.size() < kExtension.size()) return false;
    const std::string_view tail = name.substr(name.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (FoldAscii(tail[i]) != kExtension[i]) return false;
    }
    return true;
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

// The values of one file, read in its own encoding into UTF-8.
class TLanguageValues {
public:
    explicit TLanguageValues(std::string bytes) : bytes_(std::move(bytes)), encoding_(EncodingOf(bytes_)) {}

    TLanguageEncoding Encoding() const { return encoding_; }

    std::optional<std::string> Raw(std::string_view key) const {
        return platform::FindProfileEntry(bytes_, kLanguageSection, key);
    }
    std::optional<std::string> Text(std::string_view key, bool fenced = false) const {
        const auto raw = Raw(key);
        if (!raw) return std::nullopt;
        return Decoded(platform::UnfencedProfileString(*raw, fenced, fenced));
    }

private:
    std::string Decoded(const std::string& bytes) const {
        return encoding_ == TLanguageEncoding::Utf8 ? bytes : platform::CodePage932ToUtf8(bytes);
    }

    std::string bytes_;
    TLanguageEncoding encoding_;
};

// The font's keys over Font; a colour that does not read raises.
void ReadFont(const TLanguageValues& values, TWindowFont& font) {
    TWindowFont read = font;
    // The face alone may stand in quotes or corner brackets.
    if (auto face = values.Text("Font.Name", true)) read.Face = *face;
    if (auto size = values.Raw("Font.Size")) read.Points = platform::ProfileInteger(*size).value_or(read.Points);
    if (auto style = values.Raw("Font.Style")) {
        read.Style = static_cast<std::uint8_t>(platform::ProfileInteger(*style).value_or(read.Style) & 0xFF);
    }
    if (auto color = values.Raw("Font.Color")) read.Color = platform::ProfileHex(*color);
    if (auto charset = values.Text("Font.Charset")) {
        read.Charset = platform::CharsetFromIdentifier(*charset).value_or(read.Charset);
    }
    font = read;
}

}  // namespace

std::string FindLanguageFile(const std::string& programFolder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(PathOf(programFolder.empty() ? "." : programFolder), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::u8string name = entries->path().filename().u8string();
        const std::string bytes(name.begin(), name.end());
        // Hidden entries count too, and entries of any kind.
        if (IsLanguageFileName(bytes)) return programFolder + bytes;
    }
    return {};
}

bool IsValidUtf8(std::string_view bytes) { return platform::IsWellFormedUtf8(bytes); }

TLanguageEncoding EncodingOf(std::string_view bytes) {
    return IsValidUtf8(bytes) ? TLanguageEncoding::Utf8 : TLanguageEncoding::CodePage932;
}

TLanguage ReadLanguage(const std::string& path) {
    TLanguage language;
    language.Path = path;
    if (path.empty()) return language;
    const std::optional<std::string> bytes = ReadBytes(path);
    if (!bytes) return language;
    const TLanguageValues values(*bytes);
    language.Encoding = values.Encoding();
    try {
        // The font first, and only whole: a file with a bad colour changes nothing.
        ReadFont(values, language.Font);
    } catch (const platform::EConvertError& e) {
        // Of the font's keys only the colour is read with a conversion that can fail.
        const std::string sentence = values.Text("BadLanguage").value_or(language.Texts.BadLanguage);
        throw EBadLanguage(FormatText(sentence, {path, "Font.Color"}) + "\r\n\r\n" + e.what());
    }
    for (const TTextKey& key : TextKeys()) {
        if (auto text = values.Text(key.Key)) language.Texts.*key.Text = std::move(*text);
    }
    return language;
}

}  // namespace tervaline::ui
