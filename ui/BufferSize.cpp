#include "ui/BufferSize.h"

#include <array>

namespace tervaline::ui {

namespace {

constexpr std::array<int, 8> kChoices = {1, 5, 10, 50, 100, 500, 1000, 5000};

// UTF-8 of U+FF10, the full-width zero: the nine digits after it differ
// only in the last byte.
constexpr std::string_view kFullWidthZero = "\xEF\xBC\x90";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<TBufferSize> TBufferSize::Parse(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    long long value = 0;
    int digits = 0;
    while (!text.empty()) {
        int digit = -1;
        if (text.front() >= '0' && text.front() <= '9') {
            digit = text.front() - '0';
            text.remove_prefix(1);
        } else if (text.size() >= 3 && text.substr(0, 2) == kFullWidthZero.substr(0, 2) &&
                   static_cast<unsigned char>(text[2]) >= 0x90 && static_cast<unsigned char>(text[2]) <= 0x99) {
            digit = static_cast<unsigned char>(text[2]) - 0x90;
            text.remove_prefix(3);
        } else {
            return std::nullopt;
        }
        // More digits than this are over the limit whatever they say.
        if (++digits > 9) return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < kSmallestBufferKB || value > kLargestBufferKB) return std::nullopt;
    return TBufferSize(static_cast<int>(value));
}

std::span<const int> BufferChoices() { return kChoices; }

}  // namespace tervaline::ui
