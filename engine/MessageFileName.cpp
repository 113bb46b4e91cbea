#include "engine/MessageFileName.h"

#include <cstdio>

namespace tervaline::engine {

namespace {

constexpr std::string_view kExtension = ".eml";

bool AllOf(std::string_view text, bool (*test)(char)) {
    for (char c : text) {
        if (!test(c)) return false;
    }
    return true;
}

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string OffsetDigits(std::uint64_t offset, std::uint64_t storeSize) {
    constexpr std::uint64_t k4GiB = 1ull << 32;
    char digits[24];
    const int width = offset < k4GiB && storeSize < k4GiB ? 8 : 16;
    std::snprintf(digits, sizeof digits, "%0*llX", width, static_cast<unsigned long long>(offset));
    return digits;
}

std::string MessageFileName(std::uint64_t offset, std::uint64_t storeSize, unsigned copy) {
    std::string name = OffsetDigits(offset, storeSize);
    if (copy > 0) {
        name += '~';
        name += std::to_string(copy);
    }
    name += ".eml";
    return name;
}

bool IsMessageFileName(std::string_view name) {
    if (name.size() <= kExtension.size() || name.substr(name.size() - kExtension.size()) != kExtension) return false;
    std::string_view stem = name.substr(0, name.size() - kExtension.size());
    const std::size_t tilde = stem.find('~');
    if (tilde != std::string_view::npos) {
        const std::string_view copy = stem.substr(tilde + 1);
        if (copy.empty() || copy[0] == '0' || !AllOf(copy, IsDigit)) return false;
        stem = stem.substr(0, tilde);
    }
    return (stem.size() == 8 || stem.size() == 16) && AllOf(stem, IsUpperHexDigit);
}

}  // namespace tervaline::engine
