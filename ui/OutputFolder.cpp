#include "ui/OutputFolder.h"

#include "engine/ScanSettings.h"
#include "platform/FileSystem.h"

namespace tervaline::ui {

namespace {

// Where a scan of Store alone puts its messages; a folder of stores holds
// a subfolder for each of its stores.
std::string DerivedFolder(platform::TPathSyntax syntax, const std::string& store) {
    if (store.empty()) return {};
    if (platform::DirectoryExists(store)) return platform::ExcludeTrailingDelimiter(syntax, store);
    try {
        return engine::DefaultOutputFolder(syntax, store);
    } catch (const platform::EFileError&) {
        // A disk named while there is no current folder: Start says why.
        return {};
    }
}

}  // namespace

void TOutputFolderChoice::StoreChanged(const std::string& store) {
    store_ = store;
    if (!chosen_) shown_ = DerivedFolder(syntax_, store_);
}

void TOutputFolderChoice::Choose(const std::string& folder) {
    // The box handing back what it was given is no choice of the user's.
    if (folder == shown_) return;
    chosen_ = !folder.empty();
    shown_ = chosen_ ? folder : DerivedFolder(syntax_, store_);
}

void TOutputFolderChoice::Drop(const std::string& path) {
    Choose(platform::DirectoryExists(path) ? path : platform::ExtractFileDir(syntax_, path));
}

std::string OutputFolderFor(platform::TPathSyntax syntax, const std::string& store, const std::string& typed) {
    const std::string folder = typed.empty() ? DerivedFolder(syntax, store) : typed;
    if (folder.empty() || platform::HasDrivePart(syntax, folder)) return folder;
    return platform::ExtractFilePath(syntax, store) + folder;
}

std::string NearestExistingFolder(const std::string& path) {
    constexpr auto kSyntax = platform::NativePathSyntax();
    if (!platform::HasDrivePart(kSyntax, path)) return {};
    std::string folder = path;
    while (!platform::DirectoryExists(folder)) {
        std::string parent = platform::ExtractFileDir(kSyntax, folder);
        if (parent.empty() || parent == folder) return {};
        folder = std::move(parent);
    }
    return folder;
}

}  // namespace tervaline::ui
