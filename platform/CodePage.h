// The process-wide ANSI code page and its lead-byte test.
//
// Text in this program is 8-bit, in either a single-byte code page (no lead
// bytes) or code page 932, where a lead byte and the byte after it form one
// double-byte character. Everything that walks such text asks IsDBCSLeadByte.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tervaline::platform {

inline constexpr int kSingleByteCodePage = 0;
inline constexpr int kCodePage932 = 932;

// The code page in force. On first use it follows the system's
// (SystemCodePage).
int ActiveCodePage();

// The code page the system gives the program: 932 or single-byte. On POSIX
// it follows the locale's codeset (LC_ALL, then LC_CTYPE, then LANG):
// Shift_JIS, SJIS or CP932 give 932, anything else single-byte. On Windows
// it follows the ANSI code page (GetACP), which the program declares to be
// UTF-8, the 8-bit text it keeps paths in; a system that does not honour
// the declaration and answers 932 gets 932.
int SystemCodePage();

// Sets the code page in force; any value other than 932 means single-byte.
void SetActiveCodePage(int codePage);

// The code page that a locale name selects, e.g. "ja_JP.SJIS" gives 932.
int CodePageFromLocaleName(const char* localeName);

namespace detail {
// The lead-byte table of the code page in force; null until first asked.
// Text walkers ask for every byte, so the test is one load and one index.
extern std::atomic<const bool*> gLeadByteTable;
const bool* InitLeadByteTable();
}  // namespace detail

// True when Byte begins a double-byte character in the active code page
// (0x81-0x9F and 0xE0-0xFC under 932; never under a single-byte page).
inline bool IsDBCSLeadByte(std::uint8_t byte) {
    const bool* table = detail::gLeadByteTable.load(std::memory_order_acquire);
    if (table == nullptr) table = detail::InitLeadByteTable();
    return table[byte];
}

// True when Byte can stand second in a double-byte character of the active
// code page (0x40-0x7E and 0x80-0xFC under 932). A lead byte followed by any
// other byte, such as '/', is a lone byte and the byte after it a character
// of its own.
inline bool IsDBCSTrailByte(std::uint8_t byte) {
    return ActiveCodePage() == kCodePage932 && byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// How many bytes the character at Index of Text takes: 2 for a lead byte
// with a trail byte behind it, else 1.
inline std::size_t CharacterLength(std::string_view text, std::size_t index) {
    return IsDBCSLeadByte(static_cast<std::uint8_t>(text[index])) && index + 1 < text.size() &&
                   IsDBCSTrailByte(static_cast<std::uint8_t>(text[index + 1]))
               ? 2
               : 1;
}

// Sets a code page for its lifetime and restores the previous one after.
class TCodePageScope {
public:
    explicit TCodePageScope(int codePage);
    ~TCodePageScope();
    TCodePageScope(const TCodePageScope&) = delete;
    TCodePageScope& operator=(const TCodePageScope&) = delete;

private:
    int previous_;
};

}  // namespace tervaline::platform
