#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "tools/ScannerRig.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

using testing::ListFiles;
using testing::ReadFileBytes;
using testing::RunScan;
using testing::TScanSetup;
using testing::TTempDir;
using tools::TBlockSpec;
using tools::TScannerRig;
using tools::TStoreBuilder;

constexpr TScanMode kShallow = TScanMode::Shallow;
constexpr TScanMode kBottom = TScanMode::Bottom;

// A written chain, in the output folder or its trash subfolder: these tests
// are about carving, not about which of the two the mail test chooses.
std::string Salvaged(const std::filesystem::path& folder, const std::string& name) {
    if (std::filesystem::exists(folder / name)) return ReadFileBytes(folder / name);
    return ReadFileBytes(folder / "trash" / name);
}

std::string Text(std::size_t size, char seed = 'a') {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i % 23);
    return s;
}

class ChainCarver : public ::testing::Test {
protected:
    testing::TScanRun Scan(const TStoreBuilder& store, TScanMode mode, std::int32_t buffer = 10 * 1024) {
        store.WriteTo(dir_ / "store.dbx");
        TScanSetup setup;
        setup.Source = dir_ / "store.dbx";
        setup.Output = dir_ / "out";
        setup.Mode = mode;
        setup.BufferSize = buffer;
        return RunScan(setup);
    }
    std::string Out(const std::string& name) const { return Salvaged(dir_.Path() / "out", name); }
    std::vector<std::string> OutFiles() const { return ListFiles(dir_.Path() / "out"); }

    // Direct access to the search and the carving, for where they leave
    // the cursor.
    TScannerRig& Inspect(const TStoreBuilder& store, TScanMode mode) {
        inspected_.reset();  // it holds the file open, unshared
        store.WriteTo(dir_ / "inspect.dbx");
        inspected_ = std::make_unique<TScannerRig>(dir_ / "inspect.dbx", mode, 4096);
        inspected_->Scanner.CheckFileHeader();
        return *inspected_;
    }

    TTempDir dir_;
    std::unique_ptr<TScannerRig> inspected_;
};

TEST_F(ChainCarver, SignedStoreStartsBehindItsHeaderAndOthersAtZero) {
    TStoreBuilder signedStore(true);
    EXPECT_EQ(Inspect(signedStore, kShallow).Window.Position(), 10964u);
    TStoreBuilder plain(false);
    plain.AddZeros(20000);
    EXPECT_EQ(Inspect(plain, kShallow).Window.Position(), 0u);
}

TEST_F(ChainCarver, SingleBlockMessageBehindTheHeaderIsFoundInBothModes) {
    for (TScanMode mode : {kShallow, kBottom}) {
        TStoreBuilder store(true);
        const std::string text = "From: a@b\r\n\r\nhello";
        ASSERT_EQ(store.AddMessage(text), 0x2AD4u);
        store.AddZeros(600);
        auto run = Scan(store, mode);
        EXPECT_EQ(run.Found, std::vector<std::uint64_t>{0x2AD4}) << mode;
        EXPECT_EQ(Out("00002AD4.eml"), text);
        std::filesystem::remove_all(dir_.Path() / "out");
    }
}

TEST_F(ChainCarver, ThreeBlockChainIsOneFileAndTheSearchGoesOnBehindIt) {
    TStoreBuilder store(true);
    const std::string text = Text(1124);
    const std::uint32_t start = store.AddMessage(text);
    store.AddZeros(2000);
    TScannerRig& rig = Inspect(store, kShallow);
    ASSERT_EQ(rig.Scanner.FindChain(), start);
    const TCarvedMessage carved = rig.Scanner.CarveChain();
    EXPECT_EQ(carved.Text, text);
    EXPECT_EQ(carved.Blocks, 3u);
    // Three headers and the data taken from the blocks, in one run.
    EXPECT_EQ(carved.Read, (std::vector<TByteRange>{{start, 2 * 528 + 16 + 100}}));
    EXPECT_FALSE(carved.Truncated);
    EXPECT_EQ(rig.Window.Position(), start + 1584);
}

// A message whose length is a multiple of 512 ends in a full block with
// Next 0: that block belongs to it, in every mode.
TEST_F(ChainCarver, FullLastBlockWithoutANextEndsTheChainAndIsKept) {
    TStoreBuilder store(true);
    const std::uint32_t exact = store.AddMessage(Text(512));
    const std::uint32_t longer = store.AddMessage(Text(1536, 'k'));
    const std::uint32_t after = store.AddMessage(Text(40, 'x'));
    store.AddZeros(600);
    for (TScanMode mode : {kShallow, kBottom, TScanMode::Grid}) {
        auto run = Scan(store, mode);
        EXPECT_EQ(run.Found, (std::vector<std::uint64_t>{exact, longer, after})) << mode;
        EXPECT_EQ(Out(MessageFileName(exact, 0)), Text(512));
        EXPECT_EQ(Out(MessageFileName(longer, 0)), Text(1536, 'k'));
        std::filesystem::remove_all(dir_.Path() / "out");
    }
}

TEST_F(ChainCarver, FullBlockMustBeFollowedDirectlyByTheNext) {
    TStoreBuilder store(true);
    auto blocks = TStoreBuilder::ChainBlocks(store.End(), Text(700));
    const std::uint32_t elsewhere = store.End() + 2 * 528;
    blocks[0].Next = elsewhere;  // a valid block does stand there
    store.AddBlocks(blocks);
    ASSERT_EQ(store.AddMessage("x"), elsewhere);
    store.AddZeros(600);
    auto run = Scan(store, kShallow);
    // The first block is rejected; its successor alone is a find of its own
    // (as a single-block chain), and so is the valid block after it.
    EXPECT_EQ(run.Found, (std::vector<std::uint64_t>{0x2AD4 + 528, elsewhere}));
    EXPECT_EQ(Out(MessageFileName(0x2AD4 + 528, 0)), Text(700).substr(512));
}

TEST_F(ChainCarver, MisplacedBlockIsFoundOnlyInBottomMode) {
    TStoreBuilder store(true);
    store.AddZeros(4);
    auto blocks = TStoreBuilder::ChainBlocks(0x2AD4, Text(300));  // recorded 4 bytes early
    store.AddBlocks(blocks);
    store.AddZeros(2);
    auto unaligned = TStoreBuilder::ChainBlocks(store.End(), Text(100, 'q'));  // off the 4-byte grid
    store.AddBlocks(unaligned);
    store.AddZeros(600);
    EXPECT_TRUE(Scan(store, kShallow).Found.empty());
    auto bottom = Scan(store, kBottom);
    EXPECT_EQ(bottom.Found, (std::vector<std::uint64_t>{0x2AD8, 0x2AD8 + 528 + 2}));
    EXPECT_EQ(Out("00002AD8.eml"), Text(300));
}

TEST_F(ChainCarver, MarkersTooCloseToTheStartBeginNoCandidate) {
    TStoreBuilder store(false);
    store.AddZeros(64);
    store.PatchLE32(4, 4);     // a self offset at position 4
    store.PatchLE32(8, 512);   // a 512 at position 8
    store.PatchLE32(12, 512);  // the first 512 far enough out
    TScannerRig& rig = Inspect(store, kShallow);
    EXPECT_EQ(rig.Scanner.FindChain(), 12u);
    EXPECT_EQ(rig.Window.Position(), 8u);
}

TEST_F(ChainCarver, EmptyFirstBlockWritesNothingButMovesOnAWholeBlock) {
    TStoreBuilder store(true);
    TBlockSpec empty;
    empty.Self = store.End();
    store.AddBlocks({empty});
    store.AddZeros(600);
    TScannerRig& rig = Inspect(store, kShallow);
    ASSERT_EQ(rig.Scanner.FindChain(), 0x2AD4u);
    EXPECT_TRUE(rig.Scanner.CarveChain().Empty());
    EXPECT_EQ(rig.Window.Position(), 0x2AD4u + 528);
}

TEST_F(ChainCarver, ChainBrokenPartWayKeepsWhatCameBefore) {
    TStoreBuilder store(true);
    auto blocks = TStoreBuilder::ChainBlocks(store.End(), Text(1800));
    blocks[2].Len = 600;  // more than a block holds
    store.AddBlocks(blocks);
    store.AddZeros(600);
    TScannerRig& rig = Inspect(store, kShallow);
    ASSERT_EQ(rig.Scanner.FindChain(), 0x2AD4u);
    const TCarvedMessage carved = rig.Scanner.CarveChain();
    EXPECT_EQ(carved.Text, Text(1800).substr(0, 1024));
    EXPECT_EQ(carved.Blocks, 2u);
    EXPECT_TRUE(carved.Truncated);
    EXPECT_EQ(rig.Window.Position(), 0x2AD4u + 2 * 528 + 8);

    // Cut by the end of the file inside a block, or right behind a full
    // block that points on, in either mode.
    for (std::size_t keep : {2u * 528 + 100, 2u * 528}) {
        for (TScanMode mode : {kShallow, kBottom}) {
            TStoreBuilder cut(true);
            cut.AddBlocks(TStoreBuilder::ChainBlocks(cut.End(), Text(1800)));
            TStoreBuilder shorter(true);
            shorter.AddBytes(cut.Str().substr(0x2AD4, keep));
            TScannerRig& cutRig = Inspect(shorter, mode);
            ASSERT_NE(cutRig.Scanner.FindChain(), 0u) << keep;
            ASSERT_EQ(cutRig.Window.Position(), 0x2AD4u) << keep;
            const TCarvedMessage cutCarved = cutRig.Scanner.CarveChain();
            EXPECT_TRUE(cutCarved.Truncated) << keep << " " << mode;
            EXPECT_EQ(cutCarved.Read, (std::vector<TByteRange>{{0x2AD4, keep}})) << keep << " " << mode;
        }
    }
}

TEST_F(ChainCarver, FilesShorterThanAHeaderYieldNothing) {
    for (std::size_t size : {0u, 4u, 15u}) {
        TStoreBuilder store(false);
        store.AddZeros(size);
        if (size >= 4) store.PatchLE32(0, 512);
        for (TScanMode mode : {kShallow, kBottom}) {
            auto run = Scan(store, mode);
            EXPECT_TRUE(run.Found.empty()) << size;
            EXPECT_EQ(run.Outcome.FailureText, "") << size;
            EXPECT_EQ(run.DoneCount, 1);
        }
    }
}

TEST_F(ChainCarver, WindowBoundariesDoNotChangeWhatIsFound) {
    TStoreBuilder store(true);
    std::vector<std::uint32_t> starts;
    for (int i = 0; i < 12; ++i) {
        starts.push_back(store.AddMessage(Text(37 + i * 211, static_cast<char>('a' + i))));
        store.AddNoise(13 + i * 7, i);
        store.Align(4);
    }
    store.AddZeros(600);
    for (std::int32_t buffer : {1024, 1500, 5 * 1024, 1000 * 1024}) {
        for (TScanMode mode : {kShallow, kBottom}) {
            auto run = Scan(store, mode, buffer);
            EXPECT_EQ(run.Found, std::vector<std::uint64_t>(starts.begin(), starts.end()))
                << buffer << " " << mode;
        }
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(Out(MessageFileName(starts[i], 0)), Text(37 + i * 211, static_cast<char>('a' + i)));
    }
}

}  // namespace
}  // namespace tervaline::engine
