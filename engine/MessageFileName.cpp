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

std::string MessageFileName(std::uint64_t offset, std::uint64_t storeSize, unsigned copy) {
    constexpr std::uint64_t k4GiB = 1ull << 32;
    char name[48];
    const int digits = offset < k4GiB && storeSize < k4GiB ? 8 : 16;
    if (copy == 0) {
        std::snprintf(name, sizeof name, "%0*llX.eml", digits, static_cast<unsigned long long>(offset));
    } else {
        std::snprintf(name, sizeof name, "%0*llX~%u.eml", digits, static_cast<unsigned long long>(offset), copy);
    }
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
