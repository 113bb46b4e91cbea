#include "engine/records/TreeNode.h"

#include "engine/BlockLayout.h"

namespace tervaline::engine {

std::optional<TTreeNode> ReadTreeNode(const std::uint8_t* bytes, std::uint64_t at, std::string* why) {
    TTreeNode node;
    node.Self = ReadLE32(bytes);
    if (node.Self != at) {
        if (why) *why = "does not name its own offset";
        return std::nullopt;
    }
    const std::size_t count = bytes[0x11];
    if (count > TTreeNode::kMaxEntries) {
        if (why) *why = "claims more entries than a node holds";
        return std::nullopt;
    }
    node.Child = ReadLE32(bytes + 0x08);
    node.Parent = ReadLE32(bytes + 0x0C);
    node.ChildItems = ReadLE32(bytes + 0x14);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = bytes + 0x18 + 12 * i;
        node.Entries.push_back({ReadLE32(e), ReadLE32(e + 4), ReadLE32(e + 8)});
    }
    return node;
}

}  // namespace tervaline::engine
