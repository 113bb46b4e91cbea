// Whether the texts of a language can be shown at all: a desktop without a
// font for their script draws empty boxes in every caption, which leaves
// the window unusable, so the built-in English texts stand in for them.
// Only the window's toolkit knows the installed fonts; it answers through
// CanDraw.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/LanguageFile.h"

namespace tervaline::ui {

// Whether some installed font has a glyph for every character of a UTF-8 text.
using TCanDraw = std::function<bool(std::string_view utf8)>;

// The first text of Language that CanDraw refuses, if any.
std::optional<std::string> FirstUndrawableText(const TLanguage& language, const TCanDraw& canDraw);

// Language as it can be shown: itself when every text can be drawn; else
// the built-in texts and font, and in Notice (in English, which every
// desktop draws) the reason, for the window to say once.
TLanguage DrawableLanguage(TLanguage language, const TCanDraw& canDraw, std::string* notice);

}  // namespace tervaline::ui
