// The folder list a folder of stores keeps in Folders.dbx: each folder's
// record (its id, its parent's, its name, the file name of its store) and
// the tree of folders they make, read as a store's tree is, trusting none
// of it. The name here wins over the one in a store's own header, which
// goes stale after a rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/records/TreeWalk.h"

namespace tervaline::engine {

class TItemRecord;

struct TFolderRecord {
    std::uint64_t Offset = 0;  // the record's own
    std::uint32_t Id = 0;
    std::uint32_t ParentId = 0;  // 0: a top folder
    // Raw bytes in the code page of the system that wrote the list.
    std::string Name;
    std::string StoreFile;  // e.g. "Inbox.dbx"; empty for a folder without messages of its own
    std::uint32_t Flags = 0;
    std::optional<std::uint32_t> Position;
};

TFolderRecord ReadFolderRecord(const TItemRecord& item);

struct TFolderTree {
    struct TNode {
        TFolderRecord Folder;
        std::vector<std::size_t> Children;  // indices into Nodes, by position then id
    };
    std::vector<TNode> Nodes;
    // The top folders: parent id 0, or a parent the list does not hold (or
    // that only a cycle of parents leads back to), by position then id.
    std::vector<std::size_t> Roots;
    std::vector<TRecordBreak> Breaks;

    // The names from a top folder down to Node.
    std::vector<std::string> PathOf(std::size_t node) const;
    // The folder whose store is the file named StoreFile, without regard to
    // ASCII case, as the file systems that hold stores compare names.
    std::optional<std::size_t> FindStore(const std::string& storeFile) const;
};

// The folder tree of a folder list of FileSize bytes; an empty tree, with
// a break saying why, for a file that is no folder list.
TFolderTree ReadFolderList(const TByteReader& read, std::uint64_t fileSize);

}  // namespace tervaline::engine
