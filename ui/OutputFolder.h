// The output folder the window shows for a store: beside the store, named
// after it, unless the user chose a folder, which then holds whatever store
// follows. A folder of stores is its own output folder: each store goes into
// a subfolder of it named after the store, as on the command line.
#pragma once

#include <string>

#include "platform/PathSyntax.h"

namespace tervaline::ui {

class TOutputFolderChoice {
public:
    explicit TOutputFolderChoice(platform::TPathSyntax syntax = platform::NativePathSyntax()) : syntax_(syntax) {}

    // The store box changed: a derived folder follows the new store.
    void StoreChanged(const std::string& store);
    // The user typed, dropped or picked a folder; an empty one goes back to
    // following the store.
    void Choose(const std::string& folder);
    // A file dropped on the output box stands for its folder.
    void Drop(const std::string& path);

    const std::string& Shown() const { return shown_; }
    bool ChosenByUser() const { return chosen_; }

private:
    platform::TPathSyntax syntax_;
    std::string store_;
    std::string shown_;
    bool chosen_ = false;
};

// The folder a scan of Store writes to when the output box holds Typed:
// the derived folder when Typed is empty, and a relative Typed taken from
// the store's folder.
std::string OutputFolderFor(platform::TPathSyntax syntax, const std::string& store, const std::string& typed);

// Path itself when it is an existing folder, else its nearest existing
// parent; empty when none exists or Path is relative.
std::string NearestExistingFolder(const std::string& path);

}  // namespace tervaline::ui
