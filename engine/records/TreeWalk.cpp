#include "engine/records/TreeWalk.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engine/BlockLayout.h"
#include "engine/records/StoreHeader.h"
#include "engine/records/TreeNode.h"

namespace tervaline::engine {

namespace {

// A pointer that leads into the header or past the end leads to no object.
bool InsideObjects(std::uint64_t at, std::uint64_t size, std::uint64_t fileSize) {
    return at >= TStoreHeader::kHeaderSize && at + size <= fileSize;
}

}  // namespace

TByteReader BytesReader(const std::string& bytes) {
    return [&bytes](std::uint64_t at, std::uint8_t* dest, std::size_t count) -> std::size_t {
        if (at >= bytes.size()) return 0;
        const std::size_t n = std::min<std::uint64_t>(count, bytes.size() - at);
        std::memcpy(dest, bytes.data() + at, n);
        return n;
    };
}

std::optional<TItemRecord> ReadItemAt(const TByteReader& read, std::uint64_t fileSize, std::uint64_t at,
                                      std::string* why) {
    if (!InsideObjects(at, TItemRecord::kHeadSize, fileSize)) {
        if (why) *why = "points outside the store";
        return std::nullopt;
    }
    std::uint8_t head[TItemRecord::kHeadSize];
    const std::size_t got = read(at, head, sizeof head);
    const std::size_t claimed = TItemRecord::ClaimedSize(head, got);
    if (claimed == 0 || claimed > TItemRecord::kHeadSize + TItemRecord::kMaxBodySize || ReadLE32(head) != at) {
        return TItemRecord::Read(head, got, at, why);
    }
    std::vector<std::uint8_t> bytes(claimed);
    const std::size_t all = read(at, bytes.data(), bytes.size());
    return TItemRecord::Read(bytes.data(), all, at, why);
}

TTreeWalk WalkTree(const TByteReader& read, std::uint64_t fileSize, std::uint32_t root) {
    TTreeWalk walk;
    if (root == 0) return walk;
    // What is still to be read, the next on top: nodes and items in the
    // tree's order, pushed in reverse.
    struct TTask {
        std::uint32_t Offset;
        bool Node;
    };
    std::vector<TTask> tasks{{root, true}};
    std::unordered_set<std::uint32_t> nodesSeen;
    std::unordered_set<std::uint32_t> itemsSeen;
    std::string why;
    while (!tasks.empty()) {
        const TTask task = tasks.back();
        tasks.pop_back();
        if (!task.Node) {
            if (!itemsSeen.insert(task.Offset).second) {
                walk.Breaks.push_back({task.Offset, "item listed twice"});
                continue;
            }
            if (auto item = ReadItemAt(read, fileSize, task.Offset, &why)) {
                walk.Items.push_back(std::move(*item));
            } else {
                walk.Breaks.push_back({task.Offset, "item record " + why});
            }
            continue;
        }
        if (!nodesSeen.insert(task.Offset).second) {
            walk.Breaks.push_back({task.Offset, "tree node reached twice (a cycle)"});
            continue;
        }
        if (!InsideObjects(task.Offset, TTreeNode::kSize, fileSize)) {
            walk.Breaks.push_back({task.Offset, "tree node points outside the store"});
            continue;
        }
        std::uint8_t bytes[TTreeNode::kSize];
        if (read(task.Offset, bytes, sizeof bytes) < sizeof bytes) {
            walk.Breaks.push_back({task.Offset, "tree node could not be read"});
            continue;
        }
        const auto node = ReadTreeNode(bytes, task.Offset, &why);
        if (!node) {
            walk.Breaks.push_back({task.Offset, "tree node " + why});
            continue;
        }
        for (auto e = node->Entries.rbegin(); e != node->Entries.rend(); ++e) {
            if (e->Child != 0) tasks.push_back({e->Child, true});
            if (e->Item != 0) tasks.push_back({e->Item, false});
        }
        if (node->Child != 0) tasks.push_back({node->Child, true});
    }
    return walk;
}

}  // namespace tervaline::engine
