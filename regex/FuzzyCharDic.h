// Dictionaries of equivalent characters and words for the pattern
// preprocessor, and the built-in fuzzy-character dictionary for code page 932.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tervaline::regex {

// Members that count as equivalent, in the order they are written out. An
// empty member never matches but is still written out with its group.
using TDictionaryGroup = std::vector<std::string>;

// Groups in lookup order: the first group with a matching member wins.
using TDictionary = std::vector<TDictionaryGroup>;

inline constexpr std::size_t kFuzzyCharDicRowCount = 145;

// One comma-text row per built-in group, in code page 932 bytes.
extern const std::array<std::string_view, kFuzzyCharDicRowCount> FuzzyCharDicRows;

// Splits a comma text into its items: bytes 0x01-0x20 around an item are
// skipped, a quoted item runs to the next lone quotation mark (a doubled one
// stands for itself), and a comma ending the text adds one empty item.
std::vector<std::string> ReadCommaText(std::string_view text);

// The built-in dictionary read from FuzzyCharDicRows. It is built once,
// thread-safely, on first use and is read-only until the program ends.
const TDictionary& DefaultFuzzyCharDic();

}  // namespace tervaline::regex
