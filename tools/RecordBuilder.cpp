#include "tools/RecordBuilder.h"

#include <algorithm>
#include <stdexcept>

namespace tervaline::tools {

namespace {

constexpr std::uint32_t kNodeSize = 0x27C;
constexpr std::size_t kMaxEntries = 0x33;


// Writes the subtree of Items[Lo, Hi) under Parent; returns its root.
std::uint32_t AddSubtree(TStoreBuilder& store, const std::vector<std::uint32_t>& items, std::size_t lo,
                         std::size_t hi, std::uint32_t parent, std::size_t perNode) {
    const std::size_t n = hi - lo;
    if (n == 0) return 0;
    store.Align(4);
    const std::uint32_t self = store.End();
    store.AddZeros(kNodeSize);
    store.PatchLE32(self, self);
    store.PatchLE32(self + 0x0C, parent);
    if (n <= perNode) {
        store.Patch(self + 0x11, std::string(1, static_cast<char>(n)));
        for (std::size_t i = 0; i < n; ++i) store.PatchLE32(self + 0x18 + 12 * static_cast<std::uint32_t>(i), items[lo + i]);
        return self;
    }
    // PerNode items stand in this node; the rest split evenly among the
    // child before them and the child after each.
    const std::size_t rest = n - perNode;
    const std::size_t chunks = perNode + 1;
    std::size_t at = lo;
    const auto chunk = [&](std::size_t k) { return rest / chunks + (k < rest % chunks ? 1 : 0); };
    const std::size_t first = chunk(0);
    const std::uint32_t child0 = AddSubtree(store, items, at, at + first, self, perNode);
    store.PatchLE32(self + 0x08, child0);
    store.PatchLE32(self + 0x14, static_cast<std::uint32_t>(first));
    at += first;
    store.Patch(self + 0x11, std::string(1, static_cast<char>(perNode)));
    for (std::size_t e = 0; e < perNode; ++e) {
        const std::uint32_t entry = self + 0x18 + 12 * static_cast<std::uint32_t>(e);
        store.PatchLE32(entry, items[at++]);
        const std::size_t size = chunk(e + 1);
        store.PatchLE32(entry + 4, AddSubtree(store, items, at, at + size, self, perNode));
        store.PatchLE32(entry + 8, static_cast<std::uint32_t>(size));
        at += size;
    }
    return self;
}

}  // namespace

std::string TRecordBuilder::Le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string TRecordBuilder::FileTime(std::int64_t unixSeconds) {
    const auto ticks = static_cast<std::uint64_t>(unixSeconds + 11644473600) * 10000000u;
    return Le32(static_cast<std::uint32_t>(ticks)) + Le32(static_cast<std::uint32_t>(ticks >> 32));
}

std::string TRecordBuilder::Text(std::string_view text) { return std::string(text) + '\0'; }

std::string TRecordBuilder::ItemRecord(std::uint32_t self, std::vector<TFieldSpec> fields) {
    std::sort(fields.begin(), fields.end(), [](const TFieldSpec& a, const TFieldSpec& b) { return a.Id < b.Id; });
    std::string words;
    std::string area;
    for (const TFieldSpec& f : fields) {
        const std::uint32_t word = f.Direct ? (*f.Direct << 8 | 0x80u | f.Id)
                                            : (static_cast<std::uint32_t>(area.size()) << 8 | f.Id);
        if (!f.Direct) area += f.Value;
        words += Le32(word);
    }
    const auto body = static_cast<std::uint32_t>(words.size() + area.size());
    std::string head = Le32(self) + Le32(body) + std::string(2, '\0');
    head.push_back(static_cast<char>(fields.size()));
    head.push_back('\0');
    return head + words + area;
}

std::vector<TFieldSpec> TRecordBuilder::MessageFields(const TMessageSpec& m) {
    std::vector<TFieldSpec> f;
    if (m.Number) f.push_back({0x00, std::nullopt, Le32(*m.Number)});
    f.push_back({0x01, std::nullopt, Le32(m.Flags)});
    f.push_back({0x04, std::nullopt, Le32(m.FirstBlock)});
    if (m.Saved) f.push_back({0x06, std::nullopt, FileTime(*m.Saved)});
    if (!m.Subject.empty()) f.push_back({0x08, std::nullopt, Text(m.Subject)});
    if (!m.SenderName.empty()) f.push_back({0x0D, std::nullopt, Text(m.SenderName)});
    if (!m.SenderAddress.empty()) f.push_back({0x0E, std::nullopt, Text(m.SenderAddress)});
    if (m.Size) f.push_back({0x11, std::nullopt, Le32(*m.Size)});
    if (m.Received) f.push_back({0x12, std::nullopt, FileTime(*m.Received)});
    return f;
}

std::vector<TFieldSpec> TRecordBuilder::FolderFields(const TFolderSpec& s) {
    std::vector<TFieldSpec> f{{0x00, s.Id, ""}, {0x01, s.ParentId, ""}, {0x02, std::nullopt, Text(s.Name)}};
    if (!s.StoreFile.empty()) f.push_back({0x03, std::nullopt, Text(s.StoreFile)});
    if (s.Position) f.push_back({0x09, *s.Position, ""});
    return f;
}

std::uint32_t TRecordBuilder::AddRecord(TStoreBuilder& store, const std::vector<TFieldSpec>& fields) {
    store.Align(4);
    const std::uint32_t self = store.End();
    store.AddBytes(ItemRecord(self, fields));
    store.Align(4);
    return self;
}

std::uint32_t TRecordBuilder::AddTree(TStoreBuilder& store, const std::vector<std::uint32_t>& items,
                                      std::size_t perNode) {
    if (perNode == 0 || perNode > kMaxEntries) throw std::invalid_argument("a node holds 1 to 0x33 entries");
    return AddSubtree(store, items, 0, items.size(), 0, perNode);
}

void TRecordBuilder::SetTree(TStoreBuilder& store, std::uint32_t root, std::uint32_t count) {
    store.PatchLE32(0x24, 0x2AD4);
    store.PatchLE32(0xC4, count);
    store.PatchLE32(0xE4, root);
}

TStoreBuilder TRecordBuilder::FolderList(const std::vector<TFolderSpec>& folders, std::size_t perNode) {
    TStoreBuilder store;
    store.PatchLE32(4, 0x6F74FDC6);
    std::vector<std::uint32_t> items;
    for (const TFolderSpec& f : folders) items.push_back(AddRecord(store, FolderFields(f)));
    SetTree(store, AddTree(store, items, perNode), static_cast<std::uint32_t>(items.size()));
    return store;
}

}  // namespace tervaline::tools
