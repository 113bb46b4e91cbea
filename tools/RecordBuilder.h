// TRecordBuilder: writes the store's own structures onto a store the block
// builder makes: item records with typed fields, the tree of nodes that
// lists them, the header fields that lead to it, and a folder list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/StoreBuilder.h"

namespace tervaline::tools {

// One field of an item record: a value held in the field itself (Direct),
// or bytes in the record's value area.
struct TFieldSpec {
    std::uint8_t Id = 0;  // without the bit that marks a direct value
    std::optional<std::uint32_t> Direct;
    std::string Value;
};

// A message's record as a test wants it; fields left empty are left out.
struct TMessageSpec {
    std::uint32_t FirstBlock = 0;
    std::optional<std::uint32_t> Number;
    std::uint32_t Flags = 0;
    std::optional<std::int64_t> Received;  // seconds since 1970 UTC
    std::optional<std::int64_t> Saved;
    std::string Subject;
    std::string SenderName;
    std::string SenderAddress;
    std::optional<std::uint32_t> Size;
};

struct TFolderSpec {
    std::uint32_t Id = 0;
    std::uint32_t ParentId = 0;
    std::string Name;
    std::string StoreFile;
    std::optional<std::uint32_t> Position;
};

class TRecordBuilder {
public:
    // Field values in the store's forms.
    static std::string Le32(std::uint32_t value);
    static std::string FileTime(std::int64_t unixSeconds);
    static std::string Text(std::string_view text);  // NUL-ended

    // The bytes of an item record standing at Self; fields sorted by id.
    static std::string ItemRecord(std::uint32_t self, std::vector<TFieldSpec> fields);
    static std::vector<TFieldSpec> MessageFields(const TMessageSpec& spec);
    static std::vector<TFieldSpec> FolderFields(const TFolderSpec& spec);

    // Appends an item record, four-byte aligned; returns its offset.
    static std::uint32_t AddRecord(TStoreBuilder& store, const std::vector<TFieldSpec>& fields);
    // Appends a tree listing Items in order, at most PerNode entries a node
    // (a node holds at most 0x33), deep enough to hold them all; returns
    // the root's offset (0 for no items).
    static std::uint32_t AddTree(TStoreBuilder& store, const std::vector<std::uint32_t>& items,
                                 std::size_t perNode = 0x33);
    // The header fields that lead to the tree: its root and item count.
    static void SetTree(TStoreBuilder& store, std::uint32_t root, std::uint32_t count);

    // A folder list (Folders.dbx) holding Folders.
    static TStoreBuilder FolderList(const std::vector<TFolderSpec>& folders, std::size_t perNode = 0x33);
};

}  // namespace tervaline::tools
