// The language file beside the program: finding it, the encoding its texts
// are written in, and reading its texts and font over the built-in ones.
//
// Language files were written in the ANSI code page of the system they were
// made on, which for the Japanese ones is code page 932. A file that is
// valid UTF-8 is read as UTF-8; any other is taken to be code page 932.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "ui/InterfaceTexts.h"
#include "ui/WindowFont.h"

namespace tervaline::ui {

// The section that holds every key of a language file.
inline constexpr std::string_view kLanguageSection = "Interface";

// ProgramFolder followed by the name of the first entry of that folder that
// matches "*.lng" (letter case ignored), whatever kind of entry it is, in
// the order the file system lists them; empty when there is none.
std::string FindLanguageFile(const std::string& programFolder);

// True when Bytes is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

enum class TLanguageEncoding { Utf8, CodePage932 };

// The encoding of the file's bytes.
TLanguageEncoding EncodingOf(std::string_view bytes);

// A language file with a value that cannot be read; nothing of the file is
// used. Text is ready to show: the BadLanguage sentence of the file itself
// (or the built-in one), an empty line, and what was wrong.
class EBadLanguage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TLanguage {
    std::string Path;  // empty: no language file, everything built in
    TLanguageEncoding Encoding = TLanguageEncoding::Utf8;
    TInterfaceTexts Texts;
    TWindowFont Font;
};

// The texts and font of the file at Path over the built-in ones; the
// built-in ones alone when Path is empty or cannot be read. Raises
// EBadLanguage for a value that cannot be read.
TLanguage ReadLanguage(const std::string& path);

}  // namespace tervaline::ui
