#include "platform/PathSyntax.h"

#include "platform/CodePage.h"

namespace tervaline::platform {

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Marks which bytes begin a character, so that a trail byte that happens to
// equal a delimiter is never taken for one.
bool IsCharacterStart(std::string_view text, std::size_t index) {
    std::size_t i = 0;
    while (i < index) i += CharacterLength(text, i);
    return i == index;
}

std::string_view DelimitersOf(TPathSyntax syntax) {
    return syntax == TPathSyntax::Windows ? std::string_view("\\:") : std::string_view("/");
}

}  // namespace

char PathDelimiter(TPathSyntax syntax) { return syntax == TPathSyntax::Windows ? '\\' : '/'; }

bool IsPathDelimiter(TPathSyntax syntax, std::string_view path, std::size_t index) {
    return index < path.size() && path[index] == PathDelimiter(syntax) && IsCharacterStart(path, index);
}

bool HasDrivePart(TPathSyntax syntax, std::string_view path) {
    if (syntax == TPathSyntax::Posix) return !path.empty() && path[0] == '/';
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') return true;
    // UNC: two backslashes, a server name, a backslash and a share name.
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos || serverEnd == 2) return false;
    return serverEnd + 1 < path.size() && path[serverEnd + 1] != '\\';
}

std::size_t LastDelimiter(std::string_view delimiters, std::string_view path) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = CharacterLength(path, i);
        if (length == 1 && delimiters.find(path[i]) != std::string_view::npos) found = i;
        i += length;
    }
    return found;
}

std::string ExtractFilePath(TPathSyntax syntax, std::string_view path) {
    const std::size_t last = LastDelimiter(DelimitersOf(syntax), path);
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string ExtractFileName(TPathSyntax syntax, std::string_view path) {
    const std::size_t last = LastDelimiter(DelimitersOf(syntax), path);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ExtractFileDir(TPathSyntax syntax, std::string_view path) {
    std::string folder = ExtractFilePath(syntax, path);
    if (IsRootPath(syntax, folder)) return folder;
    if (syntax == TPathSyntax::Windows && !folder.empty() && folder.back() == ':') return folder;
    return ExcludeTrailingDelimiter(syntax, folder);
}

std::string RemoveFileExt(TPathSyntax syntax, std::string_view path) {
    std::string delimiters(DelimitersOf(syntax));
    delimiters.push_back('.');
    const std::size_t last = LastDelimiter(delimiters, path);
    if (last == std::string_view::npos || path[last] != '.') return std::string(path);
    return std::string(path.substr(0, last));
}

std::string ExcludeTrailingDelimiter(TPathSyntax syntax, std::string_view path) {
    if (!path.empty() && IsPathDelimiter(syntax, path, path.size() - 1)) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string IncludeTrailingDelimiter(TPathSyntax syntax, std::string_view path) {
    std::string result(path);
    if (result.empty() || !IsPathDelimiter(syntax, result, result.size() - 1)) {
        result.push_back(PathDelimiter(syntax));
    }
    return result;
}

bool IsRootPath(TPathSyntax syntax, std::string_view path) {
    if (path.size() == 1) return path[0] == PathDelimiter(syntax);
    return syntax == TPathSyntax::Windows && path.size() == 3 && IsDriveLetter(path[0]) &&
           path[1] == ':' && path[2] == '\\';
}

bool IsSingleFolderName(TPathSyntax syntax, std::string_view name) {
    // Windows's file calls take '/' for a separator too, so a name with one
    // would lead elsewhere.
    const std::string_view separators = syntax == TPathSyntax::Windows ? std::string_view("\\:/") : DelimitersOf(syntax);
    return !name.empty() && name != "." && name != ".." &&
           LastDelimiter(separators, name) == std::string_view::npos;
}

std::string JoinPath(TPathSyntax syntax, std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    return IncludeTrailingDelimiter(syntax, folder) + std::string(name);
}

}  // namespace tervaline::platform
