// The letters and marks that iconv's converters of Windows' Hebrew and
// Vietnamese code pages join into one character, where Windows gives the
// two: so that a report reads the same on both systems.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tervaline::platform {

struct TJoinedMark {
    wchar_t letter;
    wchar_t mark;
    wchar_t joined;
};

// Those of a code page, sorted by letter, then mark; none for one whose
// converter joins none.
std::span<const TJoinedMark> JoinsOf(unsigned codePage);

// Wide with each letter and the mark after it that Joins names made one
// character, as iconv makes them: a letter takes one mark, and a mark after
// that stays as it is.
std::wstring JoinMarks(std::span<const TJoinedMark> joins, std::wstring_view wide);

}  // namespace tervaline::platform
