// The store's own structures read trusting nothing, and joined to the
// chains a scan carves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include <nlohmann/json.hpp>

#include "engine/BlockLayout.h"
#include "engine/SalvageRecording.h"
#include "engine/records/FolderList.h"
#include "engine/records/ItemRecord.h"
#include "engine/records/StoreRecords.h"
#include "engine/records/TreeWalk.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tools/RecordBuilder.h"

namespace tervaline::engine {
namespace {

using tools::TFieldSpec;
using tools::TFolderSpec;
using tools::TMessageSpec;
using tools::TRecordBuilder;
using tools::TStoreBuilder;

constexpr std::int64_t kReceived = 1057000000;  // 2003-06-30
constexpr std::int64_t kSaved = 1057003600;

TMessageSpec SampleSpec() {
    TMessageSpec m;
    m.FirstBlock = 0x3000;
    m.Number = 7;
    m.Flags = kFlagRead | kFlagAnswered | kFlagAttachment | 0x1000000;
    m.Received = kReceived;
    m.Saved = kSaved;
    m.Subject = "Budget \x8C\xBE";  // raw code page bytes stay raw
    m.SenderName = "Ann";
    m.SenderAddress = "ann@example.com";
    m.Size = 1234;
    return m;
}

TEST(ItemRecord, ReadsOnlyWhatStandsWhereItSaysAndFitsItsLength) {
    const std::uint32_t at = 0x4000;
    const std::string whole = TRecordBuilder::ItemRecord(at, TRecordBuilder::MessageFields(SampleSpec()));
    const auto setByte = [](std::string s, std::size_t i, char v) { return s[i] = v, s; };
    const auto swapFields = [](std::string s) {
        std::swap_ranges(s.begin() + 12, s.begin() + 16, s.begin() + 16);
        return s;
    };
    const struct {
        const char* Name;
        std::string Bytes;
        std::uint64_t At;
        const char* Why;  // empty: the record reads
    } kCases[] = {
        {"whole", whole, at, ""},
        {"cut off before its end", whole.substr(0, whole.size() - 3), at, "runs past the end of the file"},
        {"cut off in its head", whole.substr(0, 8), at, "cut off by the end of the file"},
        {"names another offset", whole, at + 4, "does not name its own offset"},
        {"no field", setByte(whole, 0x0A, 0), at, "holds no field"},
        {"more fields than its length holds", setByte(whole, 0x0A, 60), at, "its fields do not fit its length"},
        {"fields out of order", swapFields(whole), at, "its fields are not sorted by id"},
        {"a value past its length", setByte(whole, 0x0C + 4 * 2 + 3, 0x7F), at, "a field's value lies past its length"},
    };
    for (const auto& c : kCases) {
        std::string why;
        const auto record =
            TItemRecord::Read(reinterpret_cast<const std::uint8_t*>(c.Bytes.data()), c.Bytes.size(), c.At, &why);
        EXPECT_EQ(record.has_value(), *c.Why == '\0') << c.Name;
        EXPECT_EQ(why, c.Why) << c.Name;
    }
    const auto item = TItemRecord::Read(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size(), at);
    ASSERT_TRUE(item);
    const TMessageRecord m = ReadMessageRecord(*item, TRecordOrigin::Mark);
    EXPECT_EQ(m.Offset, at);
    EXPECT_EQ(m.Number, 7u);
    EXPECT_EQ(m.FirstBlock, 0x3000u);
    EXPECT_EQ(m.Received, kReceived);
    EXPECT_EQ(m.Saved, kSaved);
    EXPECT_EQ(m.Created, std::nullopt);
    EXPECT_EQ(m.Subject, "Budget \x8C\xBE");
    EXPECT_EQ(m.SenderAddress, "ann@example.com");
    EXPECT_EQ(m.Size, 1234u);
    EXPECT_EQ(m.Flags, SampleSpec().Flags);
    EXPECT_EQ(FlagWords(m.Flags), "read answered attachment");
    EXPECT_EQ(FlagWords(kFlagForwarded | kFlagMarked | kFlagDraft), "forwarded marked draft");
    EXPECT_EQ(RecordDate(m), kReceived);
    // A direct field holds its value itself.
    const std::string direct = TRecordBuilder::ItemRecord(at, {{0x01, 0xABCDEF, ""}, {0x08, std::nullopt, "x"}});
    const auto d = TItemRecord::Read(reinterpret_cast<const std::uint8_t*>(direct.data()), direct.size(), at);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Number(0x01), 0xABCDEFu);
    EXPECT_EQ(d->Text(0x08), "x");
}

// A store of Count messages, each listed by a record in a tree of at most
// PerNode entries a node.
struct TListedStore {
    TStoreBuilder Store;
    std::vector<std::uint32_t> Chains;
    std::vector<std::uint32_t> Records;
    std::uint32_t Root = 0;
};

// The text of the I-th message; the first has no Date field, so that only
// its record can date it.
std::string ListedText(int i) {
    std::string text = tools::MakeMailText(i, 300 + 97 * i);
    if (i == 0) {
        const std::size_t date = text.find("Date: ");
        text.erase(date, text.find("\r\n", date) + 2 - date);
    }
    return text;
}

// Unlisted messages get no record; unlinked ones a record the tree does
// not lead to.
TListedStore MakeListedStore(int count, std::size_t perNode, const std::set<int>& unlisted = {},
                             const std::set<int>& unlinked = {}) {
    TListedStore s;
    for (int i = 0; i < count; ++i) s.Chains.push_back(s.Store.AddMessage(ListedText(i)));
    std::vector<std::uint32_t> listed;
    for (int i = 0; i < count; ++i) {
        if (unlisted.count(i)) continue;
        TMessageSpec m;
        m.FirstBlock = s.Chains[i];
        m.Number = static_cast<std::uint32_t>(i);
        m.Flags = i % 2 ? kFlagRead : 0;
        m.Received = kReceived + i;
        m.Subject = "Subject " + std::to_string(i);
        s.Records.push_back(TRecordBuilder::AddRecord(s.Store, TRecordBuilder::MessageFields(m)));
        if (!unlinked.count(i)) listed.push_back(s.Records.back());
    }
    s.Root = TRecordBuilder::AddTree(s.Store, listed, perNode);
    TRecordBuilder::SetTree(s.Store, s.Root, static_cast<std::uint32_t>(listed.size()));
    return s;
}

TEST(TreeWalk, ReadsEveryBranchThatHoldsAndNamesEachBreak) {
    // 60 records, 3 a node: three levels.
    const TListedStore base = MakeListedStore(60, 3);
    const std::string bytes = base.Store.Str();
    // The first child of the root, and the first child of that.
    const auto word = [&bytes](std::uint32_t at) { return ReadLE32(reinterpret_cast<const std::uint8_t*>(&bytes[at])); };
    const std::uint32_t child = word(base.Root + 8);
    const std::uint32_t grandChild = word(child + 8);
    const std::uint32_t leafEntry = grandChild + 0x18;
    const struct {
        const char* Name;
        std::function<void(TStoreBuilder&)> Damage;
        std::size_t Items;
        std::vector<std::string> Breaks;
    } kCases[] = {
        {"whole", [](TStoreBuilder&) {}, 60, {}},
        {"a branch cut mid-way", [&](TStoreBuilder& s) { s.Patch(child, std::string(4, '\0')); }, 45,
         {"tree node does not name its own offset"}},
        {"a cycle back to the root", [&](TStoreBuilder& s) { s.PatchLE32(grandChild + 8, base.Root); }, 60,
         {"tree node reached twice (a cycle)"}},
        {"an item past the end", [&](TStoreBuilder& s) { s.PatchLE32(leafEntry, s.End() + 100); }, 59,
         {"item record points outside the store"}},
        {"a node past the end", [&](TStoreBuilder& s) { s.PatchLE32(grandChild + 8, s.End() - 8); }, 60,
         {"tree node points outside the store"}},
        {"an item listed twice", [&](TStoreBuilder& s) { s.PatchLE32(leafEntry + 12, base.Records[0]); }, 59,
         {"item listed twice"}},
        {"an item that names another offset", [&](TStoreBuilder& s) { s.PatchLE32(base.Records[5], 1); }, 59,
         {"item record does not name its own offset"}},
        {"too many entries", [&](TStoreBuilder& s) { s.Patch(grandChild + 0x11, "\x40"); }, 57,
         {"tree node claims more entries than a node holds"}},
    };
    for (const auto& c : kCases) {
        TStoreBuilder store = base.Store;
        c.Damage(store);
        const std::string damaged = store.Str();
        const TTreeWalk walk = WalkTree(BytesReader(damaged), damaged.size(), base.Root);
        EXPECT_EQ(walk.Items.size(), c.Items) << c.Name;
        std::vector<std::string> breaks;
        for (const TRecordBreak& b : walk.Breaks) breaks.push_back(b.What);
        EXPECT_EQ(breaks, c.Breaks) << c.Name;
    }
    // Depth first: the records come back in the order the tree lists them.
    const TTreeWalk whole = WalkTree(BytesReader(bytes), bytes.size(), base.Root);
    std::vector<std::uint32_t> order;
    for (const TItemRecord& item : whole.Items) order.push_back(static_cast<std::uint32_t>(item.Offset()));
    EXPECT_EQ(order, base.Records);
}

TEST(FolderList, NamesNestsAndFindsEachFoldersStore) {
    const TStoreBuilder list = TRecordBuilder::FolderList(
        {
            {1, 0, "Local Folders", "", 0},
            {2, 1, "Inbox", "Inbox.dbx", 0},
            {3, 1, "Sent Items", "Sent Items.dbx", 1},
            {4, 1, "Old Stuff", "Renamed.dbx", 2},  // renamed: its store keeps the old name
            {5, 2, "Projects", "Projects.dbx", 0},
            {6, 9, "Orphan", "Orphan.dbx", std::nullopt},   // its parent is gone
            {7, 8, "Loop A", "A.dbx", std::nullopt},        // parents in a cycle
            {8, 7, "Loop B", "B.dbx", std::nullopt},
        },
        3);
    const std::string bytes = list.Str();
    const TFolderTree tree = ReadFolderList(BytesReader(bytes), bytes.size());
    ASSERT_EQ(tree.Nodes.size(), 8u);
    std::vector<std::string> roots;
    for (std::size_t r : tree.Roots) roots.push_back(tree.Nodes[r].Folder.Name);
    EXPECT_EQ(roots, (std::vector<std::string>{"Local Folders", "Orphan", "Loop A"}));
    const struct {
        const char* Store;
        std::vector<std::string> Path;
    } kCases[] = {
        {"inbox.DBX", {"Local Folders", "Inbox"}},
        {"Renamed.dbx", {"Local Folders", "Old Stuff"}},
        {"Projects.dbx", {"Local Folders", "Inbox", "Projects"}},
        {"Orphan.dbx", {"Orphan"}},
        {"B.dbx", {"Loop A", "Loop B"}},
    };
    for (const auto& c : kCases) {
        const auto at = tree.FindStore(c.Store);
        ASSERT_TRUE(at) << c.Store;
        EXPECT_EQ(tree.PathOf(*at), c.Path) << c.Store;
    }
    EXPECT_FALSE(tree.FindStore("Deleted Items.dbx"));
    const std::size_t top = tree.Roots[0];
    std::vector<std::string> children;
    for (std::size_t k : tree.Nodes[top].Children) children.push_back(tree.Nodes[k].Folder.Name);
    EXPECT_EQ(children, (std::vector<std::string>{"Inbox", "Sent Items", "Old Stuff"}));
    EXPECT_EQ(tree.Breaks, (std::vector<TRecordBreak>{{tree.Nodes[6].Folder.Offset, "folder's parents form a cycle"}}));
    // A message store is no folder list.
    const std::string store = MakeListedStore(2, 3).Store.Str();
    EXPECT_TRUE(ReadFolderList(BytesReader(store), store.size()).Nodes.empty());
}

// A scan of a store whose records and chains disagree in every way the
// store can: messages deleted, chains overwritten, records lost.
TEST(RecordJoin, CountsWhatTheStoreListsAgainstWhatTheScanFound) {
    if (!SalvageRecordingBuilt()) GTEST_SKIP() << "what each message was joined to is read from the report";
    const struct {
        const char* Name;
        TScanMode Mode;
        int Count;
        std::set<int> Deleted;      // chain marked deleted, no record
        std::set<int> Overwritten;  // record kept, chain zeroed
        std::set<int> Unlisted;     // chain kept, no record
        std::set<int> Unlinked;     // a record the tree does not lead to (a deleted one's too)
        bool ZeroRoot;
        TRecordCounts Expected;
        TFoundBy ListedBy;
    } kCases[] = {
        {"60 listed across 3 levels, 5 deleted, 4 overwritten", TScanMode::Deep, 65, {3, 14, 25, 36, 47},
         {5, 16, 27, 58}, {}, {}, false, {true, 60, 56, 5, 5, 60}, TFoundBy::RecordFromTree},
        {"the same, shallow", TScanMode::Shallow, 65, {3, 14, 25, 36, 47}, {5, 16, 27, 58}, {}, {}, false,
         {true, 60, 56, 0, 0, 60}, TFoundBy::RecordFromTree},
        {"root node zeroed: every record by its mark", TScanMode::Deep, 30, {}, {}, {}, {}, true,
         {true, 30, 30, 0, 0, 30}, TFoundBy::RecordFromMark},
        {"chains outnumber records", TScanMode::Bottom, 10, {}, {}, {1, 2, 3, 4}, {}, false, {true, 6, 6, 4, 0, 6},
         TFoundBy::RecordFromTree},
        // A deleted message's record outlives it: it dates and flags the
        // message but no longer counts as listed. A record the tree lost is
        // still found by its mark.
        {"records the tree does not reach", TScanMode::Deep, 12, {2}, {}, {}, {2, 5}, false,
         {true, 11, 11, 1, 1, 10}, TFoundBy::RecordFromTree},
    };
    for (const auto& c : kCases) {
        std::set<int> unlisted = c.Unlisted;
        for (int i : c.Deleted) {
            if (!c.Unlinked.count(i)) unlisted.insert(i);
        }
        TListedStore s = MakeListedStore(c.Count, 3, unlisted, c.Unlinked);
        for (int i : c.Deleted) {
            const std::string text = ListedText(i);
            auto blocks = TStoreBuilder::ChainBlocks(s.Chains[i], text);
            TStoreBuilder::MarkDeleted(blocks);
            TStoreBuilder copy(false);
            copy.AddBlocks(blocks);
            s.Store.Patch(s.Chains[i], copy.Str());
        }
        for (int i : c.Overwritten) s.Store.Patch(s.Chains[i], std::string(528, '\0'));
        if (c.ZeroRoot) s.Store.Patch(s.Root, std::string(0x27C, '\0'));
        testing::TTempDir dir;
        s.Store.WriteTo((dir.Path() / "store.dbx").string());
        testing::TScanSetup setup;
        setup.Source = (dir.Path() / "store.dbx").string();
        setup.Mode = c.Mode;
        setup.Report = true;
        setup.Output = (dir.Path() / "out").string();
        setup.Mbox = (dir.Path() / "all.mbox").string();
        std::mutex lock;
        std::map<std::uint64_t, TFoundBy> foundBy;
        setup.OnFoundHook = [&](TDBXScanThread&, const TFoundMessage& found) {
            const std::lock_guard<std::mutex> hold(lock);
            foundBy[found.Address] = found.FoundBy;
        };
        const auto run = testing::RunScan(setup);
        const TRecordCounts& got = run.Outcome.Records;
        EXPECT_EQ(CompletenessLine(got), CompletenessLine(c.Expected)) << c.Name;
        EXPECT_EQ(got.HeaderCount, c.Expected.HeaderCount) << c.Name;
        std::vector<std::string> lost;
        for (const TMessageRecord& r : run.Outcome.NotRecovered) lost.push_back(r.Subject);
        std::vector<std::string> expectedLost;
        for (int i : c.Overwritten) expectedLost.push_back("Subject " + std::to_string(i));
        EXPECT_EQ(lost, expectedLost) << c.Name;
        for (int i = 0; i < c.Count; ++i) {
            if (c.Overwritten.count(i) || (c.Deleted.count(i) && c.Mode != TScanMode::Deep)) continue;
            const TFoundBy expected = c.Deleted.count(i)    ? TFoundBy::Deleted
                                      : c.Unlisted.count(i) ? TFoundBy::ChainOnly
                                      : c.Unlinked.count(i) ? TFoundBy::RecordFromMark
                                                            : c.ListedBy;
            EXPECT_EQ(FoundByName(foundBy[s.Chains[i]]), std::string(FoundByName(expected))) << c.Name << " #" << i;
        }
        // The report says the same, and names what the store lists but the
        // scan could not recover.
        const auto report = nlohmann::json::parse(testing::ReadFileBytes(dir.Path() / "out/report.json"));
        const auto& records = report["head"]["records"];
        EXPECT_EQ(records["summary"], CompletenessLine(c.Expected)) << c.Name;
        std::vector<std::string> reported;
        for (const auto& r : records["not_recovered"]) reported.push_back(r["subject"]);
        EXPECT_EQ(reported, expectedLost) << c.Name;
        // The spreadsheet lists them after the messages, a cell for each column.
        const std::string csv = testing::ReadFileBytes(dir.Path() / "out/report.csv");
        const auto cells = [](std::string_view line) {
            std::size_t n = 1;
            bool quoted = false;
            for (const char ch : line) {
                quoted = ch == '"' ? !quoted : quoted;
                n += ch == ',' && !quoted ? 1 : 0;
            }
            return n;
        };
        const std::string_view columns(csv.data(), csv.find("\r\n"));
        std::size_t lostRows = 0;
        for (std::size_t at = 0; (at = csv.find(",\"listed, not recovered\",", at)) != std::string::npos; ++at) {
            const std::size_t begin = csv.rfind('\n', at) + 1;
            EXPECT_EQ(cells(std::string_view(csv).substr(begin, csv.find('\r', at) - begin)), cells(columns)) << c.Name;
            ++lostRows;
        }
        EXPECT_EQ(lostRows, expectedLost.size()) << c.Name;
        std::map<std::string, std::uint64_t> byFoundBy;
        for (const auto& row : report["messages"]) ++byFoundBy[row["found_by"].get<std::string>()];
        EXPECT_EQ(byFoundBy[FoundByName(TFoundBy::RecordFromTree)] + byFoundBy[FoundByName(TFoundBy::RecordFromMark)],
                  c.Expected.Recovered)
            << c.Name;
        // Each listed message carries its state into the mbox: the odd ones
        // were read. The file keeps LF line ends only.
        const std::string mbox = testing::ReadFileBytes(dir.Path() / "all.mbox");
        int read = 0;
        for (int i = 1; i < c.Count; i += 2) read += c.Overwritten.count(i) || unlisted.count(i) ? 0 : 1;
        std::size_t statusRead = 0;
        for (std::size_t at = 0; (at = mbox.find("\nStatus: RO\n", at)) != std::string::npos; ++at) ++statusRead;
        EXPECT_EQ(statusRead, static_cast<std::size_t>(read)) << c.Name;
        EXPECT_EQ(mbox.find('\r'), std::string::npos) << c.Name;
        // The message without a Date field is dated by its record's received
        // time, as a file and in the mbox.
        const auto written = std::filesystem::last_write_time(dir.Path() / "out/00002AD4.eml");
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                      std::chrono::file_clock::to_sys(written).time_since_epoch())
                      .count(),
                  kReceived)
            << c.Name;
        EXPECT_EQ(mbox.rfind("From ", 0), 0u) << c.Name;
        EXPECT_NE(mbox.find(" Mon Jun 30 19:06:40 2003\nStatus: O\n"), std::string::npos) << c.Name;
    }
}

}  // namespace
}  // namespace tervaline::engine
