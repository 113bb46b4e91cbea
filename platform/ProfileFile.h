// TProfileFile: read access to one INI (profile) file, the program's own
// stand-in for the system's private-profile string read.
//
// Every read opens and scans the file again, so a reader never serves stale
// values. Bytes pass through unchanged: the file may be in code page 932.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tervaline::platform {

class TProfileFile {
public:
    // Longest value a read delivers; longer values are cut.
    static constexpr std::size_t kMaxValueLength = 2047;

    explicit TProfileFile(std::string path);

    const std::string& Path() const { return path_; }

    // The value of Key in Section, with the blanks around it removed, or
    // Default when the file, the section or the key is missing. Section and
    // key names match without regard to letter case; the first occurrence
    // wins. Quotes are kept: removing them is the caller's business.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The same, with nothing for a missing file, section or key.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

private:
    std::string path_;
};

// The lookup over a file's bytes, apart from the file, for callers that
// already hold the text.
std::string FindProfileValue(std::string_view text, std::string_view section,
                             std::string_view key, std::string_view defaultValue);
std::optional<std::string> FindProfileEntry(std::string_view text, std::string_view section, std::string_view key);

}  // namespace tervaline::platform
