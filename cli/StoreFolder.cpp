#include "cli/StoreFolder.h"

#include "cli/PrintableText.h"
#include "cli/ScanCommand.h"
#include "engine/StoreFolder.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::cli {

namespace {

constexpr platform::TPathSyntax kNative = platform::NativePathSyntax();

// Completed, then stopped, then failed: the later the worse.
int Severity(int status) {
    if (status == kExitCompleted) return 0;
    if (status == kExitInterrupted) return 1;
    return 2;
}

void PrintFolders(const engine::TFolderTree& tree, const std::vector<std::size_t>& nodes, int depth, std::FILE* out) {
    for (const std::size_t node : nodes) {
        const engine::TFolderRecord& folder = tree.Nodes[node].Folder;
        const std::string store = folder.StoreFile.empty() ? std::string() : " (" + folder.StoreFile + ")";
        Say(out, "%*s%s%s\n", 2 * depth, "", Printable(folder.Name).c_str(), Printable(store).c_str());
        PrintFolders(tree, tree.Nodes[node].Children, depth + 1, out);
    }
}

// A folder list names folders and holds no mail: its tree is what a user
// giving it wants to see.
int PrintFolderList(const std::string& path, const engine::TFolderTree& tree, std::FILE* out, std::FILE* err) {
    Say(out, "%s lists %llu folders:\n", Printable(path).c_str(), static_cast<unsigned long long>(tree.Nodes.size()));
    PrintFolders(tree, tree.Roots, 1, out);
    for (const engine::TRecordBreak& broken : tree.Breaks) {
        Say(err, "tervaline-scan: the folder list is damaged at 0x%llX: %s\n",
            static_cast<unsigned long long>(broken.Offset), broken.What.c_str());
    }
    return kExitCompleted;
}

// A folder that holds subfolders but no mail of its own still gets its
// (empty) mbox file, which mail programs look for beside the .sbd folder.
void AddEmptyParentMboxes(const std::string& mboxRoot, const std::string& mboxFile, std::FILE* err) {
    const std::string root = platform::ExcludeTrailingDelimiter(kNative, mboxRoot);
    std::string folder = platform::ExtractFileDir(kNative, mboxFile);
    const std::string suffix = ".sbd";
    for (std::string name = platform::ExtractFileName(kNative, folder);
         folder != root && name.size() > suffix.size() && name.ends_with(suffix);
         name = platform::ExtractFileName(kNative, folder)) {
        const std::string parent = platform::JoinPath(kNative, platform::ExtractFileDir(kNative, folder),
                                                      name.substr(0, name.size() - suffix.size()));
        if (!platform::FileExists(parent)) {
            try {
                platform::WriteWholeFile(parent, {});
            } catch (const platform::EFileError& e) {
                Say(err, "tervaline-scan: %s\n", e.what());
            }
        }
        folder = platform::ExtractFileDir(kNative, folder);
    }
}

}  // namespace

int RunScans(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err) {
    if (!platform::DirectoryExists(options.Store)) {
        if (const auto list = engine::ReadFolderListFile(options.Store, options.CodePage)) {
            return PrintFolderList(options.Store, *list, out, err);
        }
        return RunScan(options, stopSignal, out, err);
    }
    const std::vector<engine::TFolderStore> stores = engine::FolderStores(kNative, options.Store, options.CodePage);
    if (stores.empty()) {
        Say(out, "0 messages found, 0 written\n");
        Say(err, "tervaline-scan: \"%s\" holds no .dbx store\n", options.Store.c_str());
        return kExitFailed;
    }
    // Each store's messages go where a scan of it alone would put them,
    // beside it, unless an output folder is given.
    const std::string output = options.Output.empty() ? options.Store : options.Output;
    for (const std::string* folder : {&options.Mbox, &options.Dfxml, &options.BodyFile}) {
        if (folder->empty()) continue;
        try {
            platform::ForceDirectories(*folder);
        } catch (const platform::EFileError& e) {
            Say(err, "tervaline-scan: %s\n", e.what());
            return kExitFailed;
        }
    }
    int worst = kExitCompleted;
    for (const engine::TFolderStore& store : stores) {
        if (store.Renamed) {
            const std::string taken = store.OutputName.substr(0, store.OutputName.rfind('~'));
            Say(err, "tervaline-scan: %s: into \"%s\", since another store's messages go to \"%s\"\n",
                store.FileName.c_str(), store.OutputName.c_str(), taken.c_str());
        }
        TScanOptions one = options;
        one.Store = platform::JoinPath(kNative, options.Store, store.FileName);
        one.Output = platform::JoinPath(kNative, output, store.OutputName);
        if (!options.Mbox.empty()) one.Mbox = engine::FolderMboxPath(kNative, options.Mbox, store);
        if (!options.Dfxml.empty()) one.Dfxml = platform::JoinPath(kNative, options.Dfxml, store.OutputName + ".xml");
        if (!options.BodyFile.empty()) {
            one.BodyFile = platform::JoinPath(kNative, options.BodyFile, store.OutputName + ".body");
        }
        // A nested mail folder's files stand in folders of their own; where
        // one cannot be made, the scan says so as it begins the file.
        for (const std::string* file : {&one.Mbox, &one.Dfxml, &one.BodyFile}) {
            if (file->empty()) continue;
            try {
                platform::ForceDirectories(platform::ExtractFileDir(kNative, *file));
            } catch (const platform::EFileError&) {
            }
        }
        const int status = RunScan(one, stopSignal, out, err, store.FileName, engine::FolderSetting(store));
        if (!one.Mbox.empty()) AddEmptyParentMboxes(options.Mbox, one.Mbox, err);
        if (Severity(status) > Severity(worst)) worst = status;
        if (stopSignal.load() != 0) break;
    }
    return worst;
}

}  // namespace tervaline::cli
