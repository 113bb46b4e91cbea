// A folder of stores: a mail program keeps one store per mail folder, all in
// one folder, and each is scanned in turn into a folder of its own. The
// command line and the window share these rules.
#pragma once

#include <string>
#include <vector>

#include "platform/PathSyntax.h"

namespace tervaline::engine {

// The *.dbx files directly in Folder (the extension in any case), by name.
std::vector<std::string> StoresInFolder(const std::string& folder);

struct TFolderStore {
    std::string FileName;    // the store's name in the folder
    std::string OutputName;  // the name of its output folder's subfolder
    // True when OutputName is not the store's own name without extension,
    // another store having taken that.
    bool Renamed = false;
};

// The stores of Folder, each with the subfolder its messages go to: the
// store's name without extension, or that with "~1" ("~2", ...) added where
// another store's would be the same but for letter case, since the file
// systems that hold stores mostly ignore case and the second report would
// replace the first.
std::vector<TFolderStore> FolderStores(platform::TPathSyntax syntax, const std::string& folder);

}  // namespace tervaline::engine
