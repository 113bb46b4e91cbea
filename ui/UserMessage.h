// A message box the window is to show: its kind and its text, composed and
// translated by the model. Every box carries the program's name as caption.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::ui {

inline constexpr std::string_view kWindowCaption = "Tervaline";

enum class TMessageKind { Error, Information };

struct TUserMessage {
    TMessageKind Kind = TMessageKind::Information;
    std::string Text;  // UTF-8; paragraphs separated by an empty line ("\r\n\r\n")

    bool operator==(const TUserMessage&) const = default;
};

// Line breaks in the composed texts: CR LF, as a Windows message box wants
// them; other toolkits turn them into their own.
inline constexpr std::string_view kLineBreak = "\r\n";
inline constexpr std::string_view kParagraph = "\r\n\r\n";

}  // namespace tervaline::ui
