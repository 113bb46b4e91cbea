#include "engine/ScanSettings.h"

#include "platform/FileSystem.h"

namespace tervaline::engine {

std::string DefaultOutputFolder(platform::TPathSyntax syntax, const std::string& store) {
    const std::string folder = platform::RemoveFileExt(syntax, store);
    const std::string name = platform::ExtractFileName(syntax, folder);
    // A disk's folder is the system's list of devices, no place for mail.
    if (platform::IsDevice(store)) {
        return platform::JoinPath(syntax, platform::CurrentFolder(),
                                  platform::ExtractFileName(syntax, store) + ".salvaged");
    }
    // "..dbx" would give "." (the store's own folder), "x/...dbx" its parent.
    if (folder == store || name.empty() || name == "." || name == "..") return store + ".salvaged";
    return folder;
}

std::string DefaultMboxPath(platform::TPathSyntax syntax, const std::string& outputDir, const std::string& store) {
    const std::string name = platform::RemoveFileExt(syntax, platform::ExtractFileName(syntax, store));
    return platform::JoinPath(syntax, outputDir, name + ".mbox");
}

}  // namespace tervaline::engine
