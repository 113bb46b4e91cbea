#include "engine/FolderName.h"

#include <algorithm>
#include <array>

namespace tervaline::engine {

namespace {

bool IsForbidden(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9: Windows opens the device instead,
// whatever the extension.
bool IsDeviceName(std::string_view name) {
    const std::string_view stem = name.substr(0, name.find('.'));
    std::string upper(stem);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    static constexpr std::array<std::string_view, 4> kDevices{"CON", "PRN", "AUX", "NUL"};
    if (std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end()) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

}  // namespace

std::string SafeFolderName(std::string_view name) {
    std::string safe;
    safe.reserve(name.size());
    for (const char c : name) safe += IsForbidden(static_cast<unsigned char>(c)) ? '_' : c;
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    if (safe.find_first_not_of('.') == std::string::npos) return "_";
    if (!IsDeviceName(safe)) return safe;
    const std::size_t dot = std::min(safe.find('.'), safe.size());
    return safe.substr(0, dot) + "_" + safe.substr(dot);
}

}  // namespace tervaline::engine
