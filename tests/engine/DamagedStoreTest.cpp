// Whole scans of stores damaged the way real ones break: what comes back
// whole, what comes back in part (and with which bytes), and that nothing
// else is ever written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
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
using tools::TStoreBuilder;

constexpr TScanMode kShallow = TScanMode::Shallow;
constexpr TScanMode kBottom = TScanMode::Bottom;
constexpr TScanMode kDeep = TScanMode::Deep;
constexpr std::uint32_t kBlock = 528;

// File name -> bytes.
using TFiles = std::map<std::string, std::string>;

std::string Name(std::uint32_t offset) { return MessageFileName(offset, 0); }

// Everything under Out, output and trash folder taken together, so that the
// expectations hold whichever way the mail test decides a partial message.
// Anything that is not a message file in one of those two folders is listed
// under a name no expectation uses.
TFiles Salvaged(const fs::path& out) {
    TFiles files;
    if (!fs::exists(out)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        const fs::path rel = fs::relative(entry.path(), out);
        const bool inOutput = rel.parent_path().empty();
        const bool inTrash = rel.parent_path() == "trash";
        if (entry.is_directory() && rel == "trash") continue;
        if (!entry.is_regular_file() || !(inOutput || inTrash)) {
            files["unexpected " + rel.string()] = "";
            continue;
        }
        const std::string name = rel.filename().string();
        auto [it, fresh] = files.emplace(name, ReadFileBytes(entry.path()));
        if (!fresh) files["twice " + name] = "";
    }
    return files;
}

std::string Noise(std::size_t count, std::uint64_t seed) {
    TStoreBuilder noise(false);
    noise.AddNoise(count, seed);
    return noise.Str();
}

// A signed store of three mail messages of one, three and four blocks, with
// noise and an index-like area between them, as a store grows over time.
struct TLayout {
    std::string A, B, C;
    std::uint32_t a = 0, b = 0, c = 0, index = 0, indexSize = 1000;
    std::string bytes;

    TLayout() {
        A = tools::MakeMailText(11, 400).substr(0, 300);
        B = tools::MakeMailText(12, 1600).substr(0, 1300);   // 512 + 512 + 276
        C = tools::MakeMailText(13, 2200).substr(0, 1800);   // 3 x 512 + 264
        TStoreBuilder store(true);
        a = store.AddMessage(A);
        store.AddNoise(64, 1);
        b = store.AddMessage(B);
        index = store.End();
        store.AddNoise(indexSize, 2);
        c = store.AddMessage(C);
        store.AddNoise(40, 3);
        bytes = store.Str();
    }
    std::uint32_t BlockOf(std::uint32_t start, int k) const { return start + k * kBlock; }
    TFiles Healthy(std::uint32_t shift = 0) const {
        return {{Name(shift + a), A}, {Name(shift + b), B}, {Name(shift + c), C}};
    }
};

class DamagedStore : public ::testing::Test {
protected:
    // Scans Bytes in Mode with a small window and with a large one; both
    // must salvage the same files.
    TFiles Scan(const std::string& bytes, TScanMode mode) {
        TFiles first;
        bool haveFirst = false;
        for (std::int32_t buffer : {1024, 64 * 1024}) {
            const fs::path out = dir_.Path() / ("out" + std::to_string(run_++));
            testing::WriteFileBytes(dir_ / "store.dbx", bytes);
            TScanSetup setup;
            setup.Source = dir_ / "store.dbx";
            setup.Output = out.string();
            setup.Mode = mode;
            setup.BufferSize = buffer;
            const auto run = RunScan(setup);
            outcomes_.push_back(run.Outcome);
            EXPECT_EQ(run.DoneCount, 1);
            EXPECT_EQ(run.Outcome.FailureText, "") << "buffer " << buffer;
            EXPECT_EQ(run.Outcome.Unwritten, 0u);
            TFiles files = Salvaged(out);
            EXPECT_EQ(run.Found.size(), files.size()) << "buffer " << buffer;
            if (files.empty()) {
                EXPECT_FALSE(fs::exists(out)) << "an empty scan creates no folder";
            }
            if (!haveFirst) {
                first = files;
                haveFirst = true;
            } else {
                EXPECT_EQ(files, first) << "the window size changed what was salvaged";
            }
        }
        return first;
    }

    TTempDir dir_;
    int run_ = 0;
    const TLayout s_;
    std::vector<TScanOutcome> outcomes_;  // of every scan, in turn
};

std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

TEST_F(DamagedStore, HealthyStoreComesBackWholeInEveryMode) {
    for (TScanMode mode : {kShallow, kBottom, kDeep}) EXPECT_EQ(Scan(s_.bytes, mode), s_.Healthy()) << mode;
}

TEST_F(DamagedStore, TruncatedStoreKeepsWhatLiesBeforeTheCut) {
    const std::uint32_t b1 = s_.BlockOf(s_.b, 1), b2 = s_.BlockOf(s_.b, 2);
    const std::string A = s_.A, B = s_.B;
    struct TCase {
        const char* what;
        std::uint32_t cut;
        TFiles expected;
    };
    const std::vector<TCase> cases = {
        {"at the start of a message", s_.b, {{Name(s_.a), A}}},
        {"on a block boundary inside a message", b2, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 1024)}}},
        {"inside the length of a full block's header", b1 + 10,
         {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 512)}}},
        {"inside the self offset of a block header", b1 + 1, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 512)}}},
        // An intact header vouches for its data, but a message holds only
        // the bytes that are in the file: it ends where the file does.
        {"inside the data of a full block", b1 + 16 + 100, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 612)}}},
        {"inside the data of the last block", b2 + 16 + 100, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 1124)}}},
        {"right behind the last block's header", b2 + 16, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 1024)}}},
        // Only the low byte of the last block's length (276 = 0x114) is
        // left: it now claims 0x14 bytes, all of them lost.
        {"inside the length of the last block's header", b2 + 9, {{Name(s_.a), A}, {Name(s_.b), B.substr(0, 1024)}}},
        {"between two messages", s_.index, {{Name(s_.a), A}, {Name(s_.b), B}}},
        {"inside the store header", 5000, {}},
    };
    for (const TCase& c : cases) {
        for (TScanMode mode : {kShallow, kBottom}) {
            EXPECT_EQ(Scan(s_.bytes.substr(0, c.cut), mode), c.expected) << c.what << ", mode " << mode;
        }
    }
}

TEST_F(DamagedStore, ZeroedStoreHeaderAndIndexAreaLoseNothing) {
    std::string bytes = s_.bytes;
    bytes.replace(0, s_.a, Zeros(s_.a));
    bytes.replace(s_.index, s_.indexSize, Zeros(s_.indexSize));
    for (TScanMode mode : {kShallow, kBottom, kDeep}) EXPECT_EQ(Scan(bytes, mode), s_.Healthy()) << mode;
}

TEST_F(DamagedStore, StoreInsideADiskImageIsFoundOnlyByBottomAndDeepModes) {
    // Offsets recorded in the blocks no longer match their place in the
    // image; an odd shift also moves every block off the 4-byte grid.
    for (std::uint32_t shift : {1001u, 4096u}) {
        const std::string image = Noise(shift, 7) + s_.bytes + Noise(333, 8);
        EXPECT_EQ(Scan(image, kShallow), TFiles{}) << shift;
        EXPECT_EQ(Scan(image, kBottom), s_.Healthy(shift)) << shift;
        EXPECT_EQ(Scan(image, kDeep), s_.Healthy(shift)) << shift;
    }
}

TEST_F(DamagedStore, SmearedBlocksCostTheirOwnBytesOnly) {
    const std::uint32_t b1 = s_.BlockOf(s_.b, 1), b2 = s_.BlockOf(s_.b, 2);
    const std::string smear = Noise(400, 9);
    struct TCase {
        const char* what;
        std::uint32_t at;
        std::size_t length;
        TFiles expected;
    };
    auto with = [&](std::string text, std::size_t at, std::size_t n) { return text.replace(at, n, smear, 0, n); };
    const std::vector<TCase> cases = {
        {"inside the data of a block", b1 + 16 + 50, 200,
         {{Name(s_.a), s_.A}, {Name(s_.b), with(s_.B, 512 + 50, 200)}, {Name(s_.c), s_.C}}},
        // The chain breaks at the smeared header; its front half keeps the
        // smeared end of block 0, its tail is found as a chain of its own.
        {"over a block header inside a message", b1 - 20, 60,
         {{Name(s_.a), s_.A},
          {Name(s_.b), with(s_.B.substr(0, 512), 492, 20)},
          {Name(b2), s_.B.substr(1024)},
          {Name(s_.c), s_.C}}},
        {"over the end of one message and the first header of the next", s_.a + 16 + 250, s_.b + 8 - (s_.a + 266),
         {{Name(s_.a), with(s_.A, 250, 50)}, {Name(b1), s_.B.substr(512)}, {Name(s_.c), s_.C}}},
    };
    for (const TCase& c : cases) {
        ASSERT_LE(c.length, smear.size());
        std::string bytes = s_.bytes;
        bytes.replace(c.at, c.length, smear, 0, c.length);
        for (TScanMode mode : {kShallow, kBottom}) EXPECT_EQ(Scan(bytes, mode), c.expected) << c.what << ", mode " << mode;
    }
}

TEST_F(DamagedStore, RandomSmearsNeverForgeAMessageOrHarmAnUntouchedOne) {
    struct TMessage {
        std::uint32_t start;
        const std::string* text;
    };
    const std::vector<TMessage> messages = {{s_.a, &s_.A}, {s_.b, &s_.B}, {s_.c, &s_.C}};
    std::vector<std::uint32_t> blockStarts;
    for (const auto& m : messages) {
        for (std::uint32_t k = 0; k * 512 < m.text->size(); ++k) blockStarts.push_back(m.start + k * kBlock);
    }
    std::mt19937 rng(2024);
    for (int round = 0; round < 12; ++round) {
        std::string bytes = s_.bytes;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> smears;
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t at = s_.a + rng() % (static_cast<std::uint32_t>(bytes.size()) - s_.a - 64);
            const std::uint32_t length = 1 + rng() % 64;
            bytes.replace(at, length, Noise(length, rng()));
            smears.emplace_back(at, at + length);
        }
        for (TScanMode mode : {kShallow, kBottom, kDeep}) {
            const TFiles files = Scan(bytes, mode);
            for (const auto& m : messages) {
                const std::uint32_t end = m.start + (static_cast<std::uint32_t>(m.text->size()) / 512) * kBlock +
                                          16 + static_cast<std::uint32_t>(m.text->size()) % 512;
                bool touched = false;
                for (auto [from, to] : smears) touched = touched || (from < end && to > m.start);
                if (!touched) {
                    const auto it = files.find(Name(m.start));
                    ASSERT_NE(it, files.end()) << "round " << round << ", mode " << mode;
                    EXPECT_EQ(it->second, *m.text) << "round " << round << ", mode " << mode;
                }
            }
            for (const auto& [name, bytesOfFile] : files) {
                bool atBlock = false;
                for (std::uint32_t start : blockStarts) atBlock = atBlock || name == Name(start);
                EXPECT_TRUE(atBlock) << name << " does not name a block, round " << round << ", mode " << mode;
            }
        }
    }
}

TEST_F(DamagedStore, EachHeaderFieldCorruptedInTurn) {
    const std::string& C = s_.C;
    const std::uint32_t c = s_.c, c1 = s_.BlockOf(c, 1), c2 = s_.BlockOf(c, 2), c3 = s_.BlockOf(c, 3);
    enum { kSelf = 0, kSize = 4, kLen = 8, kNext = 12 };
    struct TCase {
        int block;
        int field;
        std::uint32_t value;
        TFiles shallow;
        TFiles bottom;  // when empty, the same as shallow
    };
    const TFiles tailFrom1 = {{Name(c1), C.substr(512)}};
    const TFiles brokenAt1 = {{Name(c), C.substr(0, 512)}, {Name(c2), C.substr(1024)}};
    const TFiles withoutLast = {{Name(c), C.substr(0, 1536)}};
    const std::vector<TCase> cases = {
        {0, kSelf, 0x12345678, tailFrom1, {}},
        {0, kSize, 1024, tailFrom1, {}},
        {0, kLen, 513, tailFrom1, {}},
        // A full block without a Next ends its chain; the rest is a chain
        // of its own.
        {0, kNext, 0, {{Name(c), C.substr(0, 512)}, {Name(c1), C.substr(512)}}, {}},
        {1, kSelf, 0x12345678, brokenAt1, {}},
        {1, kSize, 0, brokenAt1, {}},
        {1, kLen, 100, brokenAt1, {}},
        // A link to a good block elsewhere does not help: chains are
        // contiguous or broken.
        {1, kNext, c3, brokenAt1, {}},
        // Bottom mode trusts a last block whose own fields agree.
        {3, kSelf, 0x12345678, withoutLast, {{Name(c), C}}},
        {3, kSize, 0, withoutLast, {}},
        // A full last block takes its whole data area, padding included.
        {3, kLen, 512, {{Name(c), C + Zeros(512 - 264)}}, {}},
        {3, kLen, 0, withoutLast, {}},
        {3, kLen, 10, {{Name(c), C.substr(0, 1546)}}, {}},
        {3, kNext, c3 + kBlock, withoutLast, {}},
        // A block that names itself as the next ends its chain there.
        {3, kNext, c3, {{Name(c), C}}, {}},
        {0, kNext, c, {{Name(c), C.substr(0, 512)}, {Name(c1), C.substr(512)}}, {}},
    };
    for (const TCase& k : cases) {
        TStoreBuilder store(false);
        store.AddBytes(s_.bytes);
        store.PatchLE32(s_.BlockOf(c, k.block) + k.field, k.value);
        for (TScanMode mode : {kShallow, kBottom}) {
            TFiles expected = {{Name(s_.a), s_.A}, {Name(s_.b), s_.B}};
            const TFiles& damaged = (mode == kBottom && !k.bottom.empty()) ? k.bottom : k.shallow;
            expected.insert(damaged.begin(), damaged.end());
            EXPECT_EQ(Scan(store.Str(), mode), expected)
                << "block " << k.block << ", field at " << k.field << ", value " << k.value << ", mode " << mode;
        }
    }
}

// Sectors the disk cannot read cost the messages that lay there and no
// other, in every mode: a chain is cut where its next block is unreadable,
// and what follows the bad sectors is found as a chain of its own; nothing
// of theirs is taken for data. The areas are listed once each, whole
// sectors, with the system's reason.
#ifdef TERVALINE_FAULT_INJECTION
TEST_F(DamagedStore, UnreadableSectorsCostTheMessagesThatLayThereOnly) {
    const std::uint32_t b1 = s_.BlockOf(s_.b, 1), b2 = s_.BlockOf(s_.b, 2);
    const std::uint32_t c2 = s_.BlockOf(s_.c, 2);
    struct TCase {
        const char* what;
        std::uint64_t at;
        std::uint64_t length;
        TFiles expected;
        // Where the store lies in a disk image, which Shallow mode does not
        // read.
        std::uint32_t shift = 0;
    };
    // A shift that puts the data of C's second block on a sector.
    const std::uint32_t shift = 512 - (s_.BlockOf(s_.c, 1) + 16) % 512;
    // Where the sector boundaries fall in the layout, for the cases below.
    ASSERT_TRUE(s_.a > 10752 && s_.b + 16 <= 11776);
    ASSERT_TRUE(b1 + 16 <= 12288 && b2 >= 12288 && b2 + 16 <= 12800);
    ASSERT_TRUE(s_.c + 16 <= 14336 && s_.c + kBlock >= 14336 && s_.c + kBlock + 16 <= 14848);
    const std::vector<TCase> cases = {
        // The signature is gone: the search starts at the beginning.
        {"the store header's first sector", 0, 512, s_.Healthy()},
        {"inside a block's data", 12288, 512,
         {{Name(s_.a), s_.A}, {Name(s_.b), s_.B.substr(0, 512)}, {Name(s_.c), s_.C}}},
        // Nothing is left of the first block's data, nor of the second
        // block's header: only the message's last half is found.
        {"the data of a first block and the next header", 14336, 512,
         {{Name(s_.a), s_.A}, {Name(s_.b), s_.B}, {Name(c2), s_.C.substr(1024)}}},
        {"two sectors over a message and the next one's first header", 10752, 1024,
         {{Name(b1), s_.B.substr(512)}, {Name(s_.c), s_.C}}},
        // The block's header is read, but not a byte of its data: the blocks
        // behind it are still found.
        {"all the data of one block", s_.BlockOf(s_.c, 1) + 16 + shift, 512,
         {{Name(shift + s_.a), s_.A},
          {Name(shift + s_.b), s_.B},
          {Name(shift + s_.c), s_.C.substr(0, 512)},
          {Name(shift + c2), s_.C.substr(1024)}},
         shift},
    };
    for (const TCase& c : cases) {
        const testing::TUnreadableDisk disk(dir_ / "store.dbx", {{c.at, c.length}});
        for (TScanMode mode : {kShallow, kBottom, kDeep}) {
            if (c.shift != 0 && mode == kShallow) continue;
            outcomes_.clear();
            EXPECT_EQ(Scan(Noise(c.shift, 5) + s_.bytes, mode), c.expected) << c.what << ", mode " << mode;
            for (const TScanOutcome& outcome : outcomes_) {
                EXPECT_EQ(outcome.Unreadable, (std::vector<TUnreadableArea>{{c.at, c.length, disk.Reason()}}))
                    << c.what << ", mode " << mode;
                EXPECT_EQ(outcome.UnreadableBytes, c.length);
                EXPECT_TRUE(outcome.ReachedEnd);
            }
        }
    }
}
#else
TERVALINE_FAULT_INJECTION_TEST_F(DamagedStore, UnreadableSectorsCostTheMessagesThatLayThereOnly)
#endif

TEST_F(DamagedStore, FilesTooShortForABlockHeaderYieldNothing) {
    const std::vector<std::string> inputs = {
        "",
        s_.bytes.substr(0, 15),         // a signature and a little header
        s_.bytes.substr(s_.c, 15),      // most of a block header
        Zeros(12) + std::string("\x00\x02\x00", 3),
    };
    for (const std::string& input : inputs) {
        for (TScanMode mode : {kShallow, kBottom}) EXPECT_EQ(Scan(input, mode), TFiles{}) << input.size();
    }
}

}  // namespace
}  // namespace tervaline::engine
