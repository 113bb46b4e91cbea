#include "ui/TextCoverage.h"

namespace tervaline::ui {

std::optional<std::string> FirstUndrawableText(const TLanguage& language, const TCanDraw& canDraw) {
    if (!canDraw) return std::nullopt;
    for (const TTextKey& key : TextKeys()) {
        const std::string& text = language.Texts.*key.Text;
        if (!canDraw(text)) return text;
    }
    return std::nullopt;
}

TLanguage DrawableLanguage(TLanguage language, const TCanDraw& canDraw, std::string* notice) {
    if (!FirstUndrawableText(language, canDraw)) return language;
    if (notice != nullptr) {
        *notice = FormatText(
            "No font installed here can show the texts of the language file \"%1\", so the built-in English "
            "texts are used. Install a font for the language of the file to see them.",
            {language.Path});
    }
    return TLanguage{};
}

}  // namespace tervaline::ui
