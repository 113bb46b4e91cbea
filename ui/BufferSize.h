// The read buffer the user asks for, in whole KB from 1 to 5000: typed
// text becomes a TBufferSize once, when a scan starts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tervaline::ui {

inline constexpr int kSmallestBufferKB = 1;
inline constexpr int kLargestBufferKB = 5000;
inline constexpr int kDefaultBufferKB = 10;

class TBufferSize {
public:
    // The buffer Text asks for: a whole number from 1 to 5000, blanks around
    // it allowed, in ASCII or full-width digits (as an input method types
    // them); nothing for anything else.
    static std::optional<TBufferSize> Parse(std::string_view text);
    static TBufferSize Default() { return TBufferSize(kDefaultBufferKB); }

    int Kilobytes() const { return kilobytes_; }
    std::int32_t Bytes() const { return static_cast<std::int32_t>(kilobytes_) << 10; }

    bool operator==(const TBufferSize&) const = default;

private:
    explicit TBufferSize(int kilobytes) : kilobytes_(kilobytes) {}
    int kilobytes_;
};

// The sizes the drop-down offers, in KB.
std::span<const int> BufferChoices();

}  // namespace tervaline::ui
