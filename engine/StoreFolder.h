// A folder of stores: a mail program keeps one store per mail folder, all in
// one folder, and each is scanned in turn into a folder of its own, named
// and nested as the folder list (Folders.dbx) beside them names and nests
// the mail folders where that list survives. The command line and the
// window share these rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/records/FolderList.h"
#include "platform/PathSyntax.h"

namespace tervaline::engine {

// The *.dbx files directly in Folder (the extension in any case), by name.
std::vector<std::string> StoresInFolder(const std::string& folder);

// The file name of the folder list a mail program keeps beside its stores.
inline constexpr const char* kFolderListName = "Folders.dbx";

struct TFolderStore {
    std::string FileName;  // the store's name in the folder
    // The subfolder its messages go to: a name, or a path of them
    // (separated as the path syntax separates folders) for a nested folder.
    std::string OutputName;
    // True when OutputName is not the one the store would have had,
    // another store having taken that.
    bool Renamed = false;
    // The mail folder the store holds, as the folder list names it (UTF-8),
    // from the top folder down; empty when no folder list names it. The
    // parts of OutputName are these names made safe for the file system.
    std::vector<std::string> Folder;
};

// The store's mail folder as the scan's settings name it for the report:
// the folder list's names joined by "/"; empty when no list names it.
std::string FolderSetting(const TFolderStore& store);

// The folder tree of the folder list at Path with every name read into
// UTF-8 in CodePage (a number or a charset name, as for the report; a name
// stays as it is where it is ASCII or the code page is not known); none
// when the file cannot be read or is not a folder list.
std::optional<TFolderTree> ReadFolderListFile(const std::string& path, const std::string& codePage);

// The stores of Folder, each with the subfolder its messages go to. Where
// Folder holds a folder list that names a store, that is the path of its
// mail folder below the top folder that only holds the others (the one a
// mail program shows as its local folders), and the list itself is no
// store to scan; elsewhere it is the store's name without extension.
// Either gets "~1" ("~2", ...) added where another store's would be the
// same but for letter case, since the file systems that hold stores mostly
// ignore case and the second report would replace the first.
std::vector<TFolderStore> FolderStores(platform::TPathSyntax syntax, const std::string& folder,
                                       const std::string& codePage = "932");

// Where a store's mbox file goes in a folder of mbox files, laid out as
// mail programs import a tree: the folder A/B becomes the file A.sbd/B; a
// store no folder list names gets NAME.mbox.
std::string FolderMboxPath(platform::TPathSyntax syntax, const std::string& mboxFolder, const TFolderStore& store);

}  // namespace tervaline::engine
