#include "platform/ProfileFile.h"

#include <cstdint>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace tervaline::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Letter case is folded only in single-byte characters: the trail byte of a
// double-byte character may look like an ASCII letter and must match exactly.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<std::uint8_t>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// The name of a section header line "[name]", or nothing for other lines.
std::optional<std::string_view> SectionHeader(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

}  // namespace

std::string FindProfileValue(std::string_view text, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
    return FindProfileEntry(text, section, key).value_or(std::string(defaultValue));
}

std::optional<std::string> FindProfileEntry(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (auto header = SectionHeader(line)) {
            // Only the first section of a name is read.
            if (inSection) break;
            inSection = SameName(*header, section);
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (!SameName(TrimBlanks(line.substr(0, equals)), key)) continue;
        std::string_view value = TrimBlanks(line.substr(equals + 1));
        return std::string(value.substr(0, TProfileFile::kMaxValueLength));
    }
    return std::nullopt;
}

TProfileFile::TProfileFile(std::string path) : path_(std::move(path)) {}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    return Read(section, key).value_or(std::string(defaultValue));
}

std::optional<std::string> TProfileFile::Read(std::string_view section, std::string_view key) const {
    // A folder opens like a file on Linux but cannot be read.
    if (!FileExists(path_)) return std::nullopt;
    std::string text;
    try {
        std::ifstream in(path_, std::ios::binary);
        if (!in) return std::nullopt;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        // An unreadable file counts as a missing one: the reads give defaults.
        return std::nullopt;
    }
    return FindProfileEntry(text, section, key);
}

}  // namespace tervaline::platform
