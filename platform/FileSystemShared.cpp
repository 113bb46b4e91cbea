// The file services that are the same on every system, over the calls that
// are not.
#include "platform/FileSystem.h"
#include "platform/FileSystemParts.h"
#include "platform/NewFile.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();

}  // namespace

void RaiseFileError(const std::string& what, const std::string& path, int error) {
    const std::string reason = SystemErrorText(error);
    throw EFileError(what + " \"" + path + "\": " + reason, error, reason);
}

void ForceDirectories(const std::string& path, unsigned mode, std::vector<std::string>* made) {
    if (path.empty()) throw EFileError("Cannot create a folder with an empty name");
    const std::string folder = IsRootPath(kNative, path) ? path : ExcludeTrailingDelimiter(kNative, path);
    if (DirectoryExists(folder)) return;
    const std::string parent = ExtractFileDir(kNative, folder);
    if (!parent.empty() && parent != folder) ForceDirectories(parent, mode, made);
    if (const int error = MakeOneFolder(folder, mode); error != 0) {
        if (IsExistsError(error) && DirectoryExists(folder)) return;  // made meanwhile
        // "File exists" would hide what is wrong with a link that leads
        // nowhere.
        if (const auto target = IsExistsError(error) ? LinkTarget(folder) : std::nullopt) {
            throw EFileError("Cannot create the folder \"" + folder + "\": it is a broken link to \"" + *target +
                                 "\", which does not exist",
                             error);
        }
        RaiseFileError("Cannot create the folder", folder, error);
    }
    if (made != nullptr) made->push_back(folder);
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    TNewFile file(ExtractFileDir(kNative, path), ExtractFileName(kNative, path), 0666);
    file.Write(bytes);
    file.Replace(path);
}

}  // namespace tervaline::platform
