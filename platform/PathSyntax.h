// Path rules written once for two syntaxes.
//
// The program's path algorithms were designed for Windows paths (backslash,
// drive letters, UNC shares). Each helper here takes the syntax to apply, so
// the program works with native paths while tests can also run Windows
// examples as written. Searches for a delimiter skip the trail bytes of
// double-byte characters (a trail byte may equal the backslash).
#pragma once

#include <string>
#include <string_view>

namespace tervaline::platform {

enum class TPathSyntax { Windows, Posix };

// The syntax of the platform the program runs on.
constexpr TPathSyntax NativePathSyntax() {
#ifdef _WIN32
    return TPathSyntax::Windows;
#else
    return TPathSyntax::Posix;
#endif
}

// The folder separator: '\' or '/'.
char PathDelimiter(TPathSyntax syntax);

// True when the byte at Index (0-based) is a folder separator and not the
// trail byte of a double-byte character.
bool IsPathDelimiter(TPathSyntax syntax, std::string_view path, std::size_t index);

// True when Path names its place without reference to a current folder:
// Windows: a drive letter and colon, or a UNC prefix \\server\share;
// POSIX: a leading '/'.
bool HasDrivePart(TPathSyntax syntax, std::string_view path);

// Index (0-based) of the last byte of Path that is one of Delimiters and not
// a trail byte, or npos.
std::size_t LastDelimiter(std::string_view delimiters, std::string_view path);

// The folder part of Path with its trailing separator (Windows: up to the
// last '\' or ':'); empty when Path has none.
std::string ExtractFilePath(TPathSyntax syntax, std::string_view path);

// The part of Path after its folder part.
std::string ExtractFileName(TPathSyntax syntax, std::string_view path);

// The folder part of Path without its trailing separator, except that a root
// ("C:\" or "/") keeps it.
std::string ExtractFileDir(TPathSyntax syntax, std::string_view path);

// Path without the extension of its last component (the last '.' after the
// folder part and what follows it).
std::string RemoveFileExt(TPathSyntax syntax, std::string_view path);

// Path with one trailing separator removed, if it ends with one.
std::string ExcludeTrailingDelimiter(TPathSyntax syntax, std::string_view path);

// Path with a trailing separator added, unless it ends with one already.
std::string IncludeTrailingDelimiter(TPathSyntax syntax, std::string_view path);

// True for a root: "C:\", "\" or "/".
bool IsRootPath(TPathSyntax syntax, std::string_view path);

// True when Name names one folder inside another: not empty, neither "."
// nor "..", and without a separator (nor, on Windows, a drive's colon or
// the '/' that the system takes for a separator too).
bool IsSingleFolderName(TPathSyntax syntax, std::string_view name);

// Folder + separator + Name, with no doubled separator.
std::string JoinPath(TPathSyntax syntax, std::string_view folder, std::string_view name);

}  // namespace tervaline::platform
