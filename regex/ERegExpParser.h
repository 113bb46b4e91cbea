// The exception raised for every pattern error and escape-decoding error of
// the regular expression engine, with the 1-based byte position of the fault.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tervaline::regex {

// The message texts of pattern errors. Callers and tests compare against
// these, so they stand here once.
inline constexpr const char* kMsgBadDoubleByte = "不正な２バイト文字コードです。";
inline constexpr const char* kMsgNeedCharAfterBackslash = "\"\\\"の次には文字が必要です。";
inline constexpr const char* kMsgBadHexCode = "不正な１６進数コード表記です。";
inline constexpr const char* kMsgBadOctCode = "不正な８進数コード表記です。";
inline constexpr const char* kMsgNeedRightBracket = "右ブラケット\"]\"が必要です";
inline constexpr const char* kMsgBadCharRange = "不正なキャラクタ範囲です";
inline constexpr const char* kMsgBadCharClass = "不正なキャラクタクラス指定です。";
inline constexpr const char* kMsgNeedRightParen = "右(閉じ)括弧が必要です";
inline constexpr const char* kMsgNeedCharOrLeftParen = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char* kMsgExtraChars = "正規表現に余分な文字があります";

class ERegExpParser : public std::runtime_error {
public:
    // The position is kept as a 16-bit value: positions past 65535 wrap, as
    // callers that show them have always seen them.
    ERegExpParser(const std::string& message, std::uint16_t position)
        : std::runtime_error(message), ErrorPos(position) {}

    std::uint16_t ErrorPos;
};

// Raises ERegExpParser at a reading position counted in 32 bits.
[[noreturn]] inline void RaiseRegExpParser(const char* message, std::int32_t position) {
    throw ERegExpParser(message, static_cast<std::uint16_t>(position));
}

}  // namespace tervaline::regex
