// TStoreHeader: the fields of a store's file header that lead to its own
// structures (the tree of items, the lists of deleted objects) and say how
// many items it believes it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tervaline::engine {

// A store of messages, or the folder list that names the folders' stores.
enum class TStoreKind : std::uint8_t { Messages, Folders };

struct TStoreHeader {
    TStoreKind Kind = TStoreKind::Messages;
    std::uint32_t ObjectStart = 0;    // where the object area begins
    std::uint32_t DeletedBlocks = 0;  // root of the deleted message blocks; 0: none
    std::uint32_t DeletedNodes = 0;   // root of the deleted tree nodes; 0: none
    std::uint32_t InUse = 0;          // length of the file in use
    std::uint32_t ItemCount = 0;      // items the tree lists
    std::uint32_t RootNode = 0;       // 0 when the store is empty

    // The bytes that hold every field read here.
    static constexpr std::size_t kFieldsSize = 0xE8;
    // No object of the store stands inside its header.
    static constexpr std::uint32_t kHeaderSize = 0x24BC;
};

// The header at the start of Bytes (Available of them); none when they do
// not begin with the signature of a store or of a folder list.
std::optional<TStoreHeader> ReadStoreHeader(const std::uint8_t* bytes, std::size_t available);

}  // namespace tervaline::engine
