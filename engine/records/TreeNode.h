// TTreeNode: one node of the store's tree of items, which lists the item
// records in order, each entry with the child node of the items that sort
// after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tervaline::engine {

struct TTreeEntry {
    std::uint32_t Item = 0;   // the item record's offset
    std::uint32_t Child = 0;  // 0: none
    std::uint32_t Items = 0;  // items below that child
};

struct TTreeNode {
    static constexpr std::size_t kSize = 0x27C;
    static constexpr std::size_t kMaxEntries = 0x33;

    std::uint32_t Self = 0;
    std::uint32_t Child = 0;  // the items that sort before the first entry; 0: none
    std::uint32_t Parent = 0;
    std::uint32_t ChildItems = 0;
    std::vector<TTreeEntry> Entries;
};

// The node that stands at At, from its kSize bytes; none, and Why says what
// failed, when they do not name At or hold more entries than a node can.
std::optional<TTreeNode> ReadTreeNode(const std::uint8_t* bytes, std::uint64_t at, std::string* why = nullptr);

}  // namespace tervaline::engine
