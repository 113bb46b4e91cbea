// Words compared as mail compares field names, charset labels, month and
// zone names, and as the file systems that hold stores compare their names:
// ASCII letters in either case alike, every other byte only
// with itself, whatever the locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace tervaline::engine {

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool SameAsciiWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace tervaline::engine
