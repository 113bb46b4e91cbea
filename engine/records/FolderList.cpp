#include "engine/records/FolderList.h"

#include <algorithm>
#include <unordered_map>

#include "engine/AsciiCase.h"
#include "engine/records/ItemRecord.h"
#include "engine/records/StoreHeader.h"

namespace tervaline::engine {

namespace {

enum : std::uint8_t { kId = 0x00, kParent = 0x01, kName = 0x02, kStoreFile = 0x03, kFlags = 0x06, kPosition = 0x09 };

}  // namespace

TFolderRecord ReadFolderRecord(const TItemRecord& item) {
    TFolderRecord f;
    f.Offset = item.Offset();
    f.Id = item.Number(kId).value_or(0);
    f.ParentId = item.Number(kParent).value_or(0);
    f.Name = item.Text(kName).value_or("");
    f.StoreFile = item.Text(kStoreFile).value_or("");
    f.Flags = item.Number(kFlags).value_or(0);
    f.Position = item.Number(kPosition);
    return f;
}

std::vector<std::string> TFolderTree::PathOf(std::size_t node) const {
    // Parents are looked up by id; the walk up ends at a top folder, and
    // goes no further than there are folders should the ids form a cycle.
    std::unordered_map<std::uint32_t, std::size_t> byId;
    for (std::size_t i = 0; i < Nodes.size(); ++i) byId.emplace(Nodes[i].Folder.Id, i);
    std::vector<std::string> path{Nodes[node].Folder.Name};
    for (std::size_t at = node, steps = 0; steps < Nodes.size(); ++steps) {
        if (std::find(Roots.begin(), Roots.end(), at) != Roots.end()) break;
        const auto parent = byId.find(Nodes[at].Folder.ParentId);
        if (parent == byId.end()) break;
        at = parent->second;
        path.insert(path.begin(), Nodes[at].Folder.Name);
    }
    return path;
}

std::optional<std::size_t> TFolderTree::FindStore(const std::string& storeFile) const {
    for (std::size_t i = 0; i < Nodes.size(); ++i) {
        if (!Nodes[i].Folder.StoreFile.empty() && SameAsciiWord(Nodes[i].Folder.StoreFile, storeFile)) return i;
    }
    return std::nullopt;
}

TFolderTree ReadFolderList(const TByteReader& read, std::uint64_t fileSize) {
    TFolderTree tree;
    std::uint8_t bytes[TStoreHeader::kFieldsSize];
    const auto header = ReadStoreHeader(bytes, read(0, bytes, sizeof bytes));
    if (!header || header->Kind != TStoreKind::Folders) {
        tree.Breaks.push_back({0, "not a folder list: its signature is missing"});
        return tree;
    }
    TTreeWalk walk = WalkTree(read, fileSize, header->RootNode);
    tree.Breaks = std::move(walk.Breaks);
    std::unordered_map<std::uint32_t, std::size_t> byId;
    for (const TItemRecord& item : walk.Items) {
        TFolderRecord folder = ReadFolderRecord(item);
        if (!byId.emplace(folder.Id, tree.Nodes.size()).second) {
            tree.Breaks.push_back({folder.Offset, "folder id listed twice"});
            continue;
        }
        tree.Nodes.push_back({std::move(folder), {}});
    }
    const auto order = [&tree](std::size_t a, std::size_t b) {
        const TFolderRecord& x = tree.Nodes[a].Folder;
        const TFolderRecord& y = tree.Nodes[b].Folder;
        const std::uint32_t px = x.Position.value_or(UINT32_MAX);
        const std::uint32_t py = y.Position.value_or(UINT32_MAX);
        return px != py ? px < py : x.Id < y.Id;
    };
    std::vector<char> reached(tree.Nodes.size(), 0);
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        const TFolderRecord& f = tree.Nodes[i].Folder;
        const auto parent = byId.find(f.ParentId);
        if (f.ParentId == 0 || parent == byId.end() || parent->second == i) {
            tree.Roots.push_back(i);
        } else {
            tree.Nodes[parent->second].Children.push_back(i);
        }
    }
    // Folders that only a cycle of parent ids holds are reached from no
    // top folder: each cycle is cut at its first folder, which becomes one.
    const auto mark = [&](std::size_t top) {
        std::vector<std::size_t> stack{top};
        while (!stack.empty()) {
            const std::size_t at = stack.back();
            stack.pop_back();
            if (reached[at]) continue;
            reached[at] = 1;
            for (std::size_t c : tree.Nodes[at].Children) stack.push_back(c);
        }
    };
    for (std::size_t r : tree.Roots) mark(r);
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        if (reached[i]) continue;
        tree.Breaks.push_back({tree.Nodes[i].Folder.Offset, "folder's parents form a cycle"});
        for (TFolderTree::TNode& n : tree.Nodes) {
            auto& c = n.Children;
            c.erase(std::remove(c.begin(), c.end(), i), c.end());
        }
        tree.Roots.push_back(i);
        mark(i);
    }
    for (TFolderTree::TNode& n : tree.Nodes) std::sort(n.Children.begin(), n.Children.end(), order);
    std::sort(tree.Roots.begin(), tree.Roots.end(), order);
    return tree;
}

}  // namespace tervaline::engine
