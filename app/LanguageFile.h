// Finding the language file beside the program, and the encoding its texts
// are read in.
//
// Language files were written in the ANSI code page of the system they were
// made on, which for the Japanese ones is code page 932. A file that is
// valid UTF-8 is read as UTF-8; any other is taken to be code page 932.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tervaline::app {

// The section that holds every key of a language file.
inline constexpr std::string_view kLanguageSection = "Interface";

// AppDir followed by the name of the first entry of the folder AppDir that
// matches "*.lng" (letter case ignored), whatever kind of entry it is, in
// the order the file system lists them; empty when there is none.
std::string FindLanguageFile(const std::string& appDir);

// True when Bytes is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Converts between the window's Unicode texts and the bytes of one
// language file, so that a default handed to the INI reader comes back as
// the same text when its key is missing.
class TLanguageEncoding {
public:
    enum TKind { Utf8, CodePage932 };

    explicit TLanguageEncoding(TKind kind) : kind_(kind) {}
    // The encoding of the file at Path; UTF-8 when it cannot be read.
    static TLanguageEncoding OfFile(const std::string& path);

    TKind Kind() const { return kind_; }
    std::string Encode(const QString& text) const;
    QString Decode(std::string_view bytes) const;

private:
    TKind kind_;
};

}  // namespace tervaline::app
