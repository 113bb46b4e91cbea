#include "engine/StoreFolder.h"

#include <algorithm>

#include "engine/AsciiCase.h"
#include "engine/FolderName.h"
#include "engine/records/StoreHeader.h"
#include "engine/records/TreeWalk.h"
#include "platform/CharsetConversion.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

namespace {

bool IsStoreName(std::string_view name) { return name.size() > 4 && SameAsciiWord(name.substr(name.size() - 4), ".dbx"); }

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8Name(const std::string& raw, const std::string& charset) {
    if (IsAscii(raw) || charset.empty()) return raw;
    std::string name;
    return platform::AppendConvertedText(charset, raw, name) ? name : raw;
}

// The names of the mail folder that holds Store's messages, from the top
// folder down, leaving out a top folder with no store of its own when it
// is the only top folder: the mail program's root of local folders.
std::vector<std::string> FolderPath(const TFolderTree& tree, std::size_t node) {
    std::vector<std::string> path = tree.PathOf(node);
    if (tree.Roots.size() == 1 && path.size() > 1 && tree.Nodes[tree.Roots.front()].Folder.StoreFile.empty()) {
        path.erase(path.begin());
    }
    return path;
}

}  // namespace

std::vector<std::string> StoresInFolder(const std::string& folder) {
    std::vector<std::string> stores = platform::FileNamesIn(folder);
    std::erase_if(stores, [](const std::string& name) { return !IsStoreName(name); });
    std::sort(stores.begin(), stores.end());
    return stores;
}

std::string FolderSetting(const TFolderStore& store) {
    std::string joined;
    for (const std::string& part : store.Folder) joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

std::optional<TFolderTree> ReadFolderListFile(const std::string& path, const std::string& codePage) {
    TFolderTree tree;
    try {
        platform::TUnsharedReadFile file(path);
        const std::uint64_t size = file.Size();
        // A sector the disk cannot read ends what can be read there, as a
        // break in the list, not the whole list.
        const TByteReader read = [&file](std::uint64_t at, std::uint8_t* dest, std::size_t count) -> std::size_t {
            try {
                return file.ReadAt(at, dest, count);
            } catch (const platform::EFileError&) {
                return 0;
            }
        };
        std::uint8_t bytes[TStoreHeader::kFieldsSize] = {};
        const auto header = ReadStoreHeader(bytes, read(0, bytes, sizeof bytes));
        if (!header || header->Kind != TStoreKind::Folders) return std::nullopt;
        tree = ReadFolderList(read, size);
    } catch (const platform::EFileError&) {
        return std::nullopt;
    }
    const std::string charset = platform::CodePageCharset(codePage);
    for (TFolderTree::TNode& node : tree.Nodes) node.Folder.Name = Utf8Name(node.Folder.Name, charset);
    return tree;
}

std::vector<TFolderStore> FolderStores(platform::TPathSyntax syntax, const std::string& folder,
                                       const std::string& codePage) {
    std::vector<std::string> files = StoresInFolder(folder);
    std::optional<TFolderTree> list;
    const auto listFile = std::find_if(files.begin(), files.end(),
                                       [](const std::string& f) { return SameAsciiWord(f, kFolderListName); });
    if (listFile != files.end()) {
        list = ReadFolderListFile(platform::JoinPath(syntax, folder, *listFile), codePage);
        if (list) files.erase(listFile);
    }

    std::vector<TFolderStore> stores;
    const auto isTaken = [&stores](const std::string& name) {
        return std::any_of(stores.begin(), stores.end(),
                           [&name](const TFolderStore& s) { return SameAsciiWord(s.OutputName, name); });
    };
    for (std::string& file : files) {
        TFolderStore store;
        std::string base = platform::RemoveFileExt(syntax, file);
        if (list) {
            if (const auto node = list->FindStore(file)) {
                store.Folder = FolderPath(*list, *node);
                base.clear();
                for (const std::string& part : store.Folder) {
                    base = base.empty() ? SafeFolderName(part) : platform::JoinPath(syntax, base, SafeFolderName(part));
                }
            }
        }
        std::string name = base;
        for (unsigned copy = 1; isTaken(name); ++copy) name = base + "~" + std::to_string(copy);
        store.Renamed = name != base;
        store.FileName = std::move(file);
        store.OutputName = std::move(name);
        stores.push_back(std::move(store));
    }
    return stores;
}

std::string FolderMboxPath(platform::TPathSyntax syntax, const std::string& mboxFolder, const TFolderStore& store) {
    if (store.Folder.empty()) return platform::JoinPath(syntax, mboxFolder, store.OutputName + ".mbox");
    // The parts of the output name, which holds the safe names and any
    // "~1" a clash added.
    std::vector<std::string> parts;
    std::string rest = store.OutputName;
    for (std::size_t cut; (cut = rest.find(platform::PathDelimiter(syntax))) != std::string::npos;) {
        parts.push_back(rest.substr(0, cut));
        rest.erase(0, cut + 1);
    }
    parts.push_back(rest);
    std::string path = mboxFolder;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) path = platform::JoinPath(syntax, path, parts[i] + ".sbd");
    return platform::JoinPath(syntax, path, parts.back());
}

}  // namespace tervaline::engine
