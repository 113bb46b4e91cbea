// The values of a profile file as the program reads them: integers in the
// platform's notation, hexadecimal colours, strings with their quoting marks
// (fences) taken off, and the names of font character sets. Shared by the
// window's INI component and the toolkit-free window model.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tervaline::platform {

// A text that does not read as a number where a number is required.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The platform's string-to-integer conversion: optional sign, then decimal
// digits or '$' and up to 8 hexadecimal digits; nothing else around them.
std::optional<std::int32_t> StrToInt(std::string_view text);

// A profile integer: decimal, or hexadecimal after "0x"; nothing for an
// empty or malformed value.
std::optional<std::int32_t> ProfileInteger(std::string_view value);

// Two prefix bytes (normally "0x") and up to 8 hexadecimal digits after
// them; raises EConvertError when no valid digits follow the prefix.
std::uint32_t ProfileHex(std::string_view value);

// The corner brackets of code page 932 that may fence a string.
inline constexpr char kOpenCorner = '\xA2';
inline constexpr char kCloseCorner = '\xA3';

// Value with one pair of fences removed (double quotes where Quotes,
// corner brackets where Corners) and then all bytes up to 0x20 trimmed
// from both ends.
std::string UnfencedProfileString(std::string_view value, bool quotes, bool corners);

// The character set named by a Windows identifier such as
// "SHIFTJIS_CHARSET", matched without regard to letter case.
std::optional<std::uint8_t> CharsetFromIdentifier(std::string_view identifier);
// The identifier of a character set value, or empty for an unknown value.
std::string CharsetIdentifier(std::uint8_t charset);

}  // namespace tervaline::platform
