// Deep mode on stores damaged every way the other modes meet, on stores
// grown and compacted (messages in two runs of blocks), with deleted
// messages, and on headers that point anywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/BlockIndex.h"
#include "engine/BlockLayout.h"
#include "engine/DbxScan.h"
#include "engine/SalvageRecording.h"
#include "engine/FileWindow.h"
#include "engine/MessageFileName.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"
#include "engine/records/ItemRecord.h"
#include "platform/EwfImage.h"
#include "platform/FileSystem.h"
#include "platform/Hash.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RunScan;
using testing::TScanSetup;
using testing::TTempDir;
using tools::TBlockSpec;
using tools::TStoreBuilder;

constexpr std::uint32_t kBlock = 528;
constexpr TScanMode kModes[] = {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep};

std::string RandomBytes(std::size_t count, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    return bytes;
}

struct TPlanned {
    std::string Text;
    std::vector<std::uint32_t> Blocks;  // the position of each block
    bool Deleted = false;

    std::string Expected() const { return Deleted ? TStoreBuilder::UndeletedText(Text) : Text; }
};

// A signed store of 28 messages with noise between them, about 600 KB, as a mail program
// leaves one it has grown and compacted: message 5 keeps its second half
// behind message 8, joined only by a Next pointer. The messages named in
// Deleted are marked deleted.
struct TGeneratedStore {
    static constexpr int kCount = 28;
    static constexpr int kTwoRuns = 5;
    // Noise between the pieces: other data of the store, and room for the
    // damage to miss some messages.
    static constexpr std::size_t kMaxGap = 40000;
    std::vector<TPlanned> Messages;
    std::string Bytes;

    explicit TGeneratedStore(const std::set<int>& deleted = {}) {
        std::mt19937_64 rng(77);
        for (int i = 0; i < kCount; ++i) {
            const std::size_t size = i == kTwoRuns ? 3000 : 200 + rng() % 4000;
            Messages.push_back({tools::MakeMailText(500 + static_cast<std::uint64_t>(i), size), {}, deleted.count(i) > 0});
        }
        // The pieces in file order: a message whole, or one of its runs.
        struct TPiece {
            int message;
            std::size_t first, count;
            std::size_t gap;
        };
        std::vector<TPiece> pieces;
        const auto blocksOf = [this](int i) { return (Messages[i].Text.size() + 511) / 512; };
        for (int i = 0; i < kCount; ++i) {
            const std::size_t n = blocksOf(i);
            const std::size_t firstRun = i == kTwoRuns ? n / 2 : n;
            pieces.push_back({i, 0, firstRun, rng() % kMaxGap});
            if (i == kTwoRuns + 3) {
                const std::size_t split = blocksOf(kTwoRuns) / 2;
                pieces.push_back({kTwoRuns, split, blocksOf(kTwoRuns) - split, rng() % kMaxGap});
            }
        }
        std::uint32_t at = 10964;
        for (const TPiece& p : pieces) {
            at += static_cast<std::uint32_t>(p.gap);
            for (std::size_t k = 0; k < p.count; ++k, at += kBlock) Messages[p.message].Blocks.push_back(at);
        }
        TStoreBuilder store(true);
        for (const TPiece& p : pieces) {
            store.AddNoise(p.gap, p.gap * 31 + static_cast<std::uint64_t>(p.message));
            const TPlanned& m = Messages[p.message];
            std::vector<TBlockSpec> blocks = TStoreBuilder::ChainBlocksAt(m.Blocks, m.Text);
            if (m.Deleted) TStoreBuilder::MarkDeleted(blocks);
            store.AddBlocks({blocks.begin() + static_cast<std::ptrdiff_t>(p.first),
                             blocks.begin() + static_cast<std::ptrdiff_t>(p.first + p.count)});
        }
        store.AddNoise(200, 1);
        Bytes = store.Str();
    }

    // The bytes message I cannot lose and still come back whole: each
    // block's header and the data it uses.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Needed(int i) const {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
        const TPlanned& m = Messages[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < m.Blocks.size(); ++k) {
            const std::size_t used = std::min<std::size_t>(512, m.Text.size() - 512 * k);
            ranges.emplace_back(m.Blocks[k], m.Blocks[k] + 16 + (m.Deleted ? 512 : used));
        }
        return ranges;
    }
};

// A damaged copy of a store: its bytes, where the store's bytes now stand
// in them, and which of the store's own bytes were lost.
struct TDamaged {
    using TRanges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    explicit TDamaged(std::string bytes, std::uint64_t shift = 0, TRanges lost = {})
        : Bytes(std::move(bytes)), Pieces{{0, shift}}, Lost(std::move(lost)) {}
    // Where the store's byte at Offset stands in Bytes.
    std::uint64_t Where(std::uint64_t offset) const {
        std::uint64_t shift = 0;
        for (auto [from, by] : Pieces) shift = offset >= from ? by : shift;
        return offset + shift;
    }
    std::string Bytes;
    // From which store offset on the store's bytes stand how far in: the
    // store may lie in the image in several pieces.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Pieces;
    TRanges Lost;  // in the store's own offsets
    // Of them, those the disk cannot read, in whole sectors; Bytes still
    // holds what they held.
    TRanges Unreadable;
};

struct TSalvage {
    std::map<std::string, std::string> Files;  // path relative to the output folder -> bytes
    std::set<int> Whole;                       // messages that came back whole
};

class DeepScan : public ::testing::Test {
protected:
    TSalvage Scan(const TGeneratedStore& store, const TDamaged& damaged, TScanMode mode) {
        const fs::path out = dir_.Path() / ("out" + std::to_string(run_++));
        testing::WriteFileBytes(dir_ / "store.dbx", damaged.Bytes);
        TScanSetup setup;
        setup.Source = dir_ / "store.dbx";
        setup.Output = out.string();
        setup.Mode = mode;
#ifdef TERVALINE_FAULT_INJECTION
        std::vector<testing::TUnreadableDisk::TArea> bad;
        std::vector<TUnreadableArea> listed;
        for (auto [from, to] : damaged.Unreadable) {
            bad.push_back({from, to - from});
            listed.push_back({from, to - from, std::strerror(EIO)});
        }
        const testing::TUnreadableDisk disk(setup.Source, bad);
        const auto run = RunScan(setup);
        // Each area once, whole, however often its sectors were met.
        EXPECT_EQ(run.Outcome.Unreadable, listed) << mode;
#else
        const auto run = RunScan(setup);
#endif
        EXPECT_EQ(run.Outcome.FailureText, "");
        EXPECT_TRUE(run.Outcome.ReachedEnd);
        TSalvage salvage;
        if (fs::exists(out)) {
            for (const auto& entry : fs::recursive_directory_iterator(out)) {
                if (entry.is_regular_file()) {
                    salvage.Files[fs::relative(entry.path(), out).generic_string()] = ReadFileBytes(entry.path());
                }
            }
        }
        EXPECT_EQ(run.Found.size(), salvage.Files.size());
        for (int i = 0; i < TGeneratedStore::kCount; ++i) {
            const TPlanned& m = store.Messages[static_cast<std::size_t>(i)];
            const std::string name = MessageFileName(damaged.Where(m.Blocks[0]), damaged.Bytes.size());
            for (const char* folder : {"", "trash/", "deleted/"}) {
                const auto it = salvage.Files.find(folder + name);
                if (it != salvage.Files.end() && it->second == m.Expected()) salvage.Whole.insert(i);
            }
        }
        return salvage;
    }

    TTempDir dir_;
    int run_ = 0;
};

bool Touches(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& a,
             const std::vector<std::pair<std::uint64_t, std::uint64_t>>& b) {
    for (auto [from, to] : a) {
        for (auto [lostFrom, lostTo] : b) {
            if (from < lostTo && lostFrom < to) return true;
        }
    }
    return false;
}

// On every kind of damage Deep mode gets back every message that survives
// whole, byte for byte, into the output folder (the deleted folder for a
// deleted one), never fewer than the other modes, never one twice, and
// never a headless fragment outside the trash.
TEST_F(DeepScan, GetsBackEveryWholeMessageOnEveryKindOfDamage) {
    const TGeneratedStore healthy;
    const TGeneratedStore withDeleted({3, 12, TGeneratedStore::kTwoRuns});
    const std::string& bytes = healthy.Bytes;
    const std::uint64_t size = bytes.size();
    struct TCase {
        const char* what;
        const TGeneratedStore* store;
        std::function<TDamaged()> damage;
    };
    const std::vector<TCase> cases = {
        {"healthy", &healthy, [&] { return TDamaged{bytes}; }},
        {"first 64 KiB zeroed", &healthy,
         [&] {
             TDamaged d{bytes};
             d.Bytes.replace(0, 65536, std::string(65536, '\0'));
             d.Lost = {{0, 65536}};
             return d;
         }},
        {"truncated at 60 %", &healthy,
         [&] {
             const std::uint64_t cut = size * 6 / 10;
             return TDamaged{bytes.substr(0, cut), 0, {{cut, size}}};
         }},
        {"shifted by 3 bytes", &healthy, [&] { return TDamaged{RandomBytes(3, 1) + bytes, 3}; }},
        {"777,777 bytes into a megabyte of random bytes", &healthy,
         [&] {
             return TDamaged{RandomBytes(777777, 2) + bytes + RandomBytes((1u << 20) - 777777, 3), 777777};
         }},
        // Message 5's two runs end up in different pieces, so only the Self
        // its Next names leads from one to the other.
        {"in two pieces 5,003 bytes apart in an image", &healthy,
         [&] {
             const std::uint64_t split = healthy.Messages[TGeneratedStore::kTwoRuns + 1].Blocks[0];
             TDamaged d{RandomBytes(1000, 5) + bytes.substr(0, split) + RandomBytes(5003, 6) + bytes.substr(split),
                        1000};
             d.Pieces.emplace_back(split, 1000 + 5003);
             return d;
         }},
        {"200 random 16-byte smears", &healthy,
         [&] {
             TDamaged d{bytes};
             std::mt19937_64 rng(4);
             for (int i = 0; i < 200; ++i) {
                 const std::uint64_t at = 10964 + rng() % (size - 10964 - 16);
                 d.Bytes.replace(at, 16, RandomBytes(16, rng()));
                 d.Lost.emplace_back(at, at + 16);
             }
             return d;
         }},
        {"three messages deleted, one of them in two runs", &withDeleted,
         [&] { return TDamaged{withDeleted.Bytes}; }},
#ifdef TERVALINE_FAULT_INJECTION
        // A chain is cut where its next block lies in them, and the blocks
        // behind them are found as tails; the message in two runs loses
        // its second.
        {"three areas the disk cannot read, one over the second run of a message", &withDeleted,
         [&] {
             TDamaged d{withDeleted.Bytes};
             const std::uint64_t secondRun = withDeleted.Messages[TGeneratedStore::kTwoRuns].Blocks.back() / 512 * 512;
             const std::uint64_t end = withDeleted.Bytes.size();
             for (std::uint64_t at : {end * 3 / 10 / 4096 * 4096, end * 7 / 10 / 4096 * 4096, secondRun}) {
                 d.Lost.emplace_back(at, at + 4096);
             }
             std::sort(d.Lost.begin(), d.Lost.end());
             d.Unreadable = d.Lost;
             return d;
         }},
#endif
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TDamaged damaged = c.damage();
        std::set<int> survivors;
        for (int i = 0; i < TGeneratedStore::kCount; ++i) {
            if (!Touches(c.store->Needed(i), damaged.Lost)) survivors.insert(i);
        }
        std::map<TScanMode, TSalvage> salvage;
        for (TScanMode mode : kModes) salvage[mode] = Scan(*c.store, damaged, mode);
        const TSalvage& deep = salvage[TScanMode::Deep];
        for (int i : survivors) {
            EXPECT_TRUE(deep.Whole.count(i)) << "message " << i << " survived whole but did not come back";
        }
        for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom}) {
            for (int i : salvage[mode].Whole) EXPECT_TRUE(deep.Whole.count(i)) << mode << " got message " << i;
        }
        for (int i : deep.Whole) {
            const TPlanned& m = c.store->Messages[static_cast<std::size_t>(i)];
            const std::string name = MessageFileName(damaged.Where(m.Blocks[0]), damaged.Bytes.size());
            EXPECT_TRUE(deep.Files.count((m.Deleted ? "deleted/" : "") + name)) << "message " << i;
        }
        for (const auto& [path, text] : deep.Files) {
            if (path.find('/') != std::string::npos) continue;
            bool begins = false;
            for (const TPlanned& m : c.store->Messages) begins = begins || text.compare(0, 16, m.Text, 0, 16) == 0;
            EXPECT_TRUE(begins) << path << " is in the output folder but begins no message";
        }
        for (const TPlanned& m : c.store->Messages) {
            const std::string head = m.Expected().substr(4, 200);
            int holding = 0;
            for (const auto& [path, text] : deep.Files) holding += text.find(head) != std::string::npos;
            EXPECT_LE(holding, 1) << "a message written twice";
        }
    }
    // A store grown and compacted comes back whole, and nothing of it is
    // taken for trash.
    const TSalvage deep = Scan(healthy, TDamaged{bytes}, TScanMode::Deep);
    EXPECT_EQ(deep.Whole.size(), 28u);
    EXPECT_EQ(deep.Files.size(), 28u);
}

// Headers that point in circles, at each other, past the end, or many at
// one block: the scan ends, and every block is written exactly once.
TEST_F(DeepScan, HeadersThatPointAnywhereUseEachBlockOnce) {
    const auto marker = [](int k) { return "<block " + std::to_string(k) + ">"; };
    // Block K stands at At(K) and links to Links[K] (an index, or -1 for
    // Next 0, -2 for a Next past the end of the file, -3 for a Next below
    // 512, which makes the header's own words a second plausible header
    // four bytes on).
    struct TCase {
        const char* what;
        std::vector<int> links;
    };
    const std::vector<TCase> cases = {
        {"a cycle of three", {1, 2, 0}},
        {"two pointing at each other", {1, 0}},
        {"a chain into a cycle", {1, 2, 3, 1}},
        {"past the end of the file", {1, -2, -2}},
        {"many at one block", {3, 3, 3, -1, 3}},
        {"a chain, and one more pointing into it", {1, 2, -1, 1}},
        {"a Next below 512", {-3, 2, -1}},
        // A block that names itself as the next ends its chain, and is
        // written like any other.
        {"one pointing at itself", {0}},
        {"a chain ending in one pointing at itself", {1, 2, 2}},
    };
    for (const TCase& c : cases) {
        TStoreBuilder store(true);
        const auto at = [](int k) { return 10964 + 4096 + static_cast<std::uint32_t>(k) * 1000; };
        for (std::size_t k = 0; k < c.links.size(); ++k) {
            store.AddZeros(at(static_cast<int>(k)) - store.End());
            TBlockSpec b;
            b.Self = at(static_cast<int>(k));
            b.Len = 512;
            const int link = c.links[k];
            b.Next = link == -1 ? 0 : link == -2 ? 0x7FFFFFF0 : link == -3 ? 300 : at(link);
            // Far enough in that a header four bytes on would hold it too.
            b.Data = std::string(64, '.') + marker(static_cast<int>(k));
            store.AddBlocks({b});
        }
        store.AddZeros(600);
        TGeneratedStore none;  // only for Scan's bookkeeping
        const TSalvage salvage = Scan(none, TDamaged{store.Str()}, TScanMode::Deep);
        for (std::size_t k = 0; k < c.links.size(); ++k) {
            int count = 0;
            for (const auto& [path, text] : salvage.Files) {
                for (std::size_t p = text.find(marker(static_cast<int>(k))); p != std::string::npos;
                     p = text.find(marker(static_cast<int>(k)), p + 1)) {
                    ++count;
                }
            }
            EXPECT_EQ(count, 1) << c.what << ", block " << k;
        }
    }
}

// The tail of a message whose first blocks were destroyed is trash in Deep
// mode even when its body holds an address; Bottom mode's mail test alone
// lets it into the output folder.
TEST_F(DeepScan, TailsWithoutTheirHeadGoToTheTrashWhateverTheyHold) {
    const std::string text = tools::MakeMailText(1, 520).substr(0, 512) + "see mailto:ann@example.com\r\n";
    TStoreBuilder store(true);
    const std::uint32_t start = store.AddMessage(text);
    store.AddZeros(600);
    store.PatchLE32(start + 4, 0);  // the first block's size word
    const std::string tail = MessageFileName(start + kBlock, 0);
    TGeneratedStore none;
    EXPECT_TRUE(Scan(none, TDamaged{store.Str()}, TScanMode::Bottom).Files.count(tail));
    const TSalvage deep = Scan(none, TDamaged{store.Str()}, TScanMode::Deep);
    EXPECT_EQ(deep.Files, (std::map<std::string, std::string>{{"trash/" + tail, text.substr(512)}}));
}

// The index pass split among threads, its segments' edges anywhere, finds
// exactly the headers one pass finds, both forms, at every alignment.
TEST(BlockIndex, SegmentsOnThreadsFindWhatOnePassFinds) {
    TTempDir dir;
    std::mt19937_64 rng(9);
    for (int trial = 0; trial < 12; ++trial) {
        std::string bytes = RandomBytes(20000 + rng() % 20000, rng());
        for (int i = 0; i < 400; ++i) {
            // The first lands across the middle, where two segments meet.
            const std::size_t at = i == 0 ? bytes.size() / 2 - 15 + 3 * trial : rng() % (bytes.size() - 16);
            const bool deleted = rng() % 3 == 0;
            const std::uint32_t words[4] = {static_cast<std::uint32_t>(rng()), deleted ? 0x1FCu : 512u,
                                            deleted ? 0x210u : static_cast<std::uint32_t>(rng() % 513), 0};
            for (int w = 0; w < 4; ++w) {
                for (int b = 0; b < 4; ++b) bytes[at + 4 * w + b] = static_cast<char>(words[w] >> (8 * b));
            }
        }
        // Record heads that name their own offset, one across the middle
        // and one in the last bytes a head fits in.
        std::set<std::uint64_t> planted;
        for (int i = 0; i < 40; ++i) {
            const std::size_t at = (i == 0   ? bytes.size() / 2 - 8 + 4 * trial
                                    : i == 1 ? bytes.size() - 16
                                             : rng() % (bytes.size() - 16)) & ~std::size_t{3};
            const std::uint32_t words[3] = {static_cast<std::uint32_t>(at), 40, 2u << 16};
            for (int w = 0; w < 3; ++w) {
                for (int b = 0; b < 4; ++b) bytes[at + 4 * w + b] = static_cast<char>(words[w] >> (8 * b));
            }
            planted.insert(at);
        }
        testing::WriteFileBytes(dir / "store.dbx", bytes);
        std::vector<std::uint64_t> marks;
        const auto positions = [&](std::uint64_t segmentBytes, std::uint32_t buffer) {
            platform::TUnsharedReadFile file(dir / "store.dbx");
            TFileWindow window(file, file.Size(), buffer);
            TProgressMeter progress(file.Size(), 35, 1, {});
            TScanStop stop;
            TBlockIndex index;
            EXPECT_TRUE(index.Build(window, 0, progress, stop, segmentBytes));
            std::vector<std::tuple<std::uint64_t, std::uint32_t, std::uint32_t, TBlockForm>> found;
            for (std::size_t i = 0; i < index.Size(); ++i) {
                found.emplace_back(index[i].Position, index[i].Self, index[i].Len, index[i].Form);
            }
            marks = index.RecordMarks();
            return found;
        };
        const auto whole = positions(UINT64_MAX, 4096);
        EXPECT_GT(whole.size(), 300u);
        // A head planted over another leaves that one none.
        std::vector<std::uint64_t> intact;
        for (std::uint64_t at : planted) {
            const auto* head = reinterpret_cast<const std::uint8_t*>(&bytes[at]);
            if (ReadLE32(head) == at && TItemRecord::MayBegin(head)) intact.push_back(at);
        }
        EXPECT_EQ(marks, intact);
        for (std::uint64_t segment : {997u, 1500u, 5003u}) {
            for (std::uint32_t buffer : {1024u, 1501u}) {
                EXPECT_EQ(positions(segment, buffer), whole) << segment;
                EXPECT_EQ(marks, intact) << segment << " " << buffer;
            }
        }
    }
}

// A store placed 5 GiB and 3 bytes into a sparse disk image: Shallow mode
// refuses the image before reading it, saying which mode reads it; Bottom
// and Deep modes read it whole and name each message by its offset in
// sixteen digits, and Deep mode gets every message back whole.
TEST_F(DeepScan, StoreFiveGiBIntoASparseDiskImage) {
    const TGeneratedStore store;
    constexpr std::uint64_t kShift = (5ull << 30) + 3;
    const std::string path = dir_ / "image.dbx";
    { std::ofstream create(path, std::ios::binary); }
    std::error_code sparse;
    fs::resize_file(path, kShift, sparse);
    if (sparse) GTEST_SKIP() << "no sparse files here";
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(store.Bytes.data(), static_cast<std::streamsize>(store.Bytes.size()));
    }
    TScanSetup setup;
    setup.Source = path;
    setup.Output = dir_ / "out";
    setup.BufferSize = 5000 * 1024;
    const auto shallow = RunScan(setup);
    const std::uint64_t imageSize = kShift + store.Bytes.size();
    // The sentence names the store's size and the real limit, which lies
    // 1,057 bytes below 4 GiB.
    ASSERT_EQ(imageSize, 5369318344u);
    EXPECT_EQ(shallow.Outcome.FailureText,
              "\"" + path + "\" holds 5,369,318,344 bytes, too many for Shallow mode, which reads stores of at most "
              "4,294,966,239 bytes; Bottom and Deep mode read stores and disk images of any size");
    EXPECT_TRUE(shallow.Progress.empty());
    for (TScanMode mode : {TScanMode::Bottom, TScanMode::Deep}) {
        setup.Mode = mode;
        setup.Output = dir_ / ("out-" + std::string(ScanModeName(mode)));
        const auto run = RunScan(setup);
        EXPECT_EQ(run.Outcome.FailureText, "") << mode;
        EXPECT_TRUE(run.Outcome.ReachedEnd) << mode;
        int whole = 0;
        for (const TPlanned& m : store.Messages) {
            const fs::path file = fs::path(setup.Output) / MessageFileName(m.Blocks[0] + kShift, imageSize);
            EXPECT_EQ(file.filename().string().size(), 16u + 4u);
            whole += fs::exists(file) && ReadFileBytes(file) == m.Text;
        }
        // Bottom mode splits the message kept in two runs.
        EXPECT_EQ(whole, mode == TScanMode::Deep ? 28 : 27) << mode;
    }
}


// The files a scan wrote under Folder (reports aside), by path relative to it.
std::map<std::string, std::string> WrittenFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        if (entry.is_regular_file() && name.rfind("report.", 0) != 0) files[name] = ReadFileBytes(entry.path());
    }
    return files;
}

// An E01 image made by the acquiry tool from a raw disk image of 1.5 MiB
// holding the store at an odd offset, in two segments of at most 1 MiB
// each; the store straddles the cut between them.
class EwfImage : public ::testing::Test {
protected:
    static constexpr std::uint64_t kStoreAt = 700'001;
    static constexpr std::uint64_t kRawSize = 1536 * 1024;

    void SetUp() override {
        if (!platform::EwfImagesRead()) return;
        if (std::system("ewfacquire -V >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "ewfacquire (Debian's ewf-tools) is not installed; tools/install-deps.sh installs it";
        }
        raw_.assign(kRawSize, '\0');
        raw_.replace(kStoreAt, store_.Bytes.size(), store_.Bytes);
        testing::WriteFileBytes(dir_ / "disk.raw", raw_);
        const std::string command = "cd '" + dir_.Path().string() +
                                    "' && ewfacquire -u -q -t disk -c none -S 1MiB -C 'C-26' -e 'A. Examiner' "
                                    "-N 'seized 2026' disk.raw >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ASSERT_TRUE(fs::exists(dir_ / "disk.E02"));
        ASSERT_FALSE(fs::exists(dir_ / "disk.E03"));
    }

    testing::TScanRun Scan(const std::string& source, const std::string& output, TScanMode mode = TScanMode::Deep) {
        TScanSetup setup;
        setup.Source = source;
        setup.Output = output;
        setup.Mode = mode;
        setup.Report = true;
        return RunScan(setup);
    }

    TGeneratedStore store_;
    std::string raw_;
    TTempDir dir_;
};

// Every mode finds in the image the very files, names and bytes, it finds in
// the raw image, and the report's head carries what the image records of
// itself: its segments, the digest of the disk and the case.
TEST_F(EwfImage, EveryModeReadsItAsTheRawImageItHolds) {
    if (!platform::EwfImagesRead()) GTEST_SKIP() << "this build reads no E01 images";
    if (!SalvageRecordingBuilt()) GTEST_SKIP() << "the image's facts are read back from the report";
    for (TScanMode mode : kModes) {
        const std::string name(ScanModeName(mode));
        Scan(dir_ / "disk.raw", dir_ / ("raw-" + name), mode);
        const auto image = Scan(dir_ / "disk.E01", dir_ / ("e01-" + name), mode);
        EXPECT_EQ(image.Outcome.FailureText, "") << name;
        EXPECT_TRUE(image.Outcome.ReachedEnd) << name;
        const auto files = WrittenFiles(dir_.Path() / ("raw-" + name));
        // Shallow mode trusts the blocks' record of their place, which the
        // store's shift in the disk belies.
        if (mode != TScanMode::Shallow) {
            EXPECT_GE(files.size(), TGeneratedStore::kCount - 1u) << name;
        }
        EXPECT_EQ(WrittenFiles(dir_.Path() / ("e01-" + name)), files) << name;
    }
    const auto head = nlohmann::json::parse(ReadFileBytes(dir_.Path() / "e01-deep" / "report.json"))["head"];
    const auto& image = head["store"]["image"];
    EXPECT_EQ(head["store"]["size"], kRawSize);
    EXPECT_EQ(image["segments"], nlohmann::json::array({dir_ / "disk.E01", dir_ / "disk.E02"}));
    std::string md5;
    for (unsigned char c : platform::HashOf(platform::EHash::Md5, raw_)) {
        md5 += "0123456789abcdef"[c >> 4];
        md5 += "0123456789abcdef"[c & 15];
    }
    EXPECT_EQ(image["stored_digests"]["md5"], md5);
    EXPECT_EQ(image["case"]["case_number"], "C-26");
    EXPECT_EQ(image["case"]["examiner_name"], "A. Examiner");
    EXPECT_EQ(image["case"]["notes"], "seized 2026");
}

// A chunk whose checksum fails is listed as unreadable, whole, and read as
// missing; every message outside it comes out as from the raw image.
TEST_F(EwfImage, ACorruptChunkIsUnreadableAndTheScanGoesOn) {
    if (!platform::EwfImagesRead()) GTEST_SKIP() << "this build reads no E01 images";
    if (!SalvageRecordingBuilt()) GTEST_SKIP() << "the image's facts are read back from the report";
    constexpr std::uint64_t kChunk = 32768;
    const std::uint64_t bad = (kStoreAt + 100'000) / kChunk * kChunk;
    // Uncompressed, the chunk stands in its segment byte for byte.
    std::string segment = ReadFileBytes(dir_.Path() / "disk.E01");
    const std::size_t at = segment.find(raw_.substr(bad, kChunk));
    ASSERT_NE(at, std::string::npos);
    segment[at + 1000] = static_cast<char>(segment[at + 1000] ^ 0x5A);
    testing::WriteFileBytes(dir_.Path() / "disk.E01", segment);

    Scan(dir_ / "disk.raw", dir_ / "raw");
    const auto image = Scan(dir_ / "disk.E01", dir_ / "e01");
    EXPECT_EQ(image.Outcome.FailureText, "");
    EXPECT_TRUE(image.Outcome.ReachedEnd);
    EXPECT_EQ(image.Outcome.Unreadable,
              (std::vector<TUnreadableArea>{{bad, kChunk, "E01 chunk checksum mismatch"}}));
    const auto rawFiles = WrittenFiles(dir_.Path() / "raw");
    const auto imageFiles = WrittenFiles(dir_.Path() / "e01");
    int kept = 0;
    for (const TPlanned& m : store_.Messages) {
        const std::uint64_t first = kStoreAt + m.Blocks.front();
        const std::uint64_t last = kStoreAt + m.Blocks.back() + kBlock;
        const std::string name = MessageFileName(first, kRawSize);
        if (last <= bad || first >= bad + kChunk) {
            EXPECT_EQ(imageFiles.count(name) ? imageFiles.at(name) : "", rawFiles.at(name)) << name;
            ++kept;
        }
    }
    EXPECT_GT(kept, TGeneratedStore::kCount / 2);
    EXPECT_LT(imageFiles.size(), rawFiles.size() + 4);
}

// A segment set that does not make a whole image is refused before anything
// is read, in words that say what is wrong with it.
TEST_F(EwfImage, ABrokenSegmentSetIsRefusedSayingWhy) {
    const std::string first = dir_ / "disk.E01";
    const std::string second = dir_ / "disk.E02";
    const std::string fake = dir_ / "fake.E01";
    testing::WriteFileBytes(fake, std::string("EVF\x09\x0d\x0a\xff\x00", 8) + std::string(600, 'x'));
    if (!platform::EwfImagesRead()) {
        EXPECT_EQ(Scan(fake, dir_ / "out").Outcome.FailureText,
                  "\"" + fake + "\" is an Expert Witness (E01) image, and this build of Tervaline reads none: convert "
                  "it to a raw image first (for example with ewfexport -f raw) and scan that, or scan the image with "
                  "the Linux build");
        return;
    }
    const std::string segments = "Cannot read the E01 image \"" + first + "\" (segment files " + first;
    const struct {
        const char* Name;
        std::function<void()> Damage;
        std::string Source;
        std::string Failure;
    } cases[] = {
        {"second segment missing", [&] { fs::remove(second); }, first,
         segments + "): the segment file after \"" + first + "\" is missing"},
        {"second segment cut short",
         [&] { testing::WriteFileBytes(second, ReadFileBytes(second).substr(0, 300'000)); }, first,
         segments + ", " + second + "): \"" + second + "\" is cut short: it ends at byte 300000, before its sections do"},
        {"first segment cut short",
         [&] { testing::WriteFileBytes(first, ReadFileBytes(first).substr(0, 500'000)); }, first,
         segments + ", " + second + "): \"" + first + "\" is cut short: it ends at byte 500000, before its sections do"},
    };
    const std::string goodFirst = ReadFileBytes(first);
    const std::string goodSecond = ReadFileBytes(second);
    for (const auto& c : cases) {
        c.Damage();
        const auto run = Scan(c.Source, dir_ / "out");
        EXPECT_EQ(run.Outcome.FailureText, c.Failure) << c.Name;
        EXPECT_FALSE(run.Outcome.Started) << c.Name;
        testing::WriteFileBytes(first, goodFirst);
        testing::WriteFileBytes(second, goodSecond);
    }
    EXPECT_NE(Scan(fake, dir_ / "out").Outcome.FailureText.find("Cannot open the E01 image \"" + fake + "\""),
              std::string::npos);
}

}  // namespace
}  // namespace tervaline::engine
