#include "engine/StoreFolder.h"

#include <algorithm>

#include "platform/FileSystem.h"

namespace tervaline::engine {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool IsStoreName(std::string_view name) { return name.size() > 4 && SameIgnoringCase(name.substr(name.size() - 4), ".dbx"); }

}  // namespace

std::vector<std::string> StoresInFolder(const std::string& folder) {
    std::vector<std::string> stores = platform::FileNamesIn(folder);
    std::erase_if(stores, [](const std::string& name) { return !IsStoreName(name); });
    std::sort(stores.begin(), stores.end());
    return stores;
}

std::vector<TFolderStore> FolderStores(platform::TPathSyntax syntax, const std::string& folder) {
    std::vector<TFolderStore> stores;
    const auto isTaken = [&stores](const std::string& name) {
        return std::any_of(stores.begin(), stores.end(),
                           [&name](const TFolderStore& s) { return SameIgnoringCase(s.OutputName, name); });
    };
    for (std::string& file : StoresInFolder(folder)) {
        const std::string base = platform::RemoveFileExt(syntax, file);
        std::string name = base;
        for (unsigned copy = 1; isTaken(name); ++copy) name = base + "~" + std::to_string(copy);
        const bool renamed = name != base;
        stores.push_back({std::move(file), std::move(name), renamed});
    }
    return stores;
}

}  // namespace tervaline::engine
