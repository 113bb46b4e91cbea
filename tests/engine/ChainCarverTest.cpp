#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/DbxScan.h"
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
using tools::TStoreBuilder;

constexpr int kShallow = 0;
constexpr int kBottom = 2;

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
    testing::TScanRun Scan(const TStoreBuilder& store, int mode, std::int32_t buffer = 10 * 1024) {
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

    // Direct access to the search, for where it leaves the cursor.
    TDBXScanThread& Inspect(const TStoreBuilder& store, int mode) {
        store.WriteTo(dir_ / "inspect.dbx");
        inspected_ = std::make_unique<TDBXScanThread>(dispatcher_);
        inspected_->SourceFile = dir_ / "inspect.dbx";
        inspected_->SetOutputDir(dir_ / "inspect-out");
        inspected_->SetTrashDir("trash");
        inspected_->SetScanMode(mode);
        inspected_->BufferSize = 4096;
        inspected_->ProgressSteps = 35;
        inspected_->OpenForInspection();
        inspected_->CheckFileHeader();
        return *inspected_;
    }

    TTempDir dir_;
    platform::TQueueDispatcher dispatcher_;
    std::unique_ptr<TDBXScanThread> inspected_;
};

TEST_F(ChainCarver, SignedStoreStartsBehindItsHeaderAndOthersAtZero) {
    TStoreBuilder signedStore(true);
    EXPECT_EQ(Inspect(signedStore, kShallow).Position(), 10964u);
    TStoreBuilder plain(false);
    plain.AddZeros(20000);
    EXPECT_EQ(Inspect(plain, kShallow).Position(), 0u);
}

TEST_F(ChainCarver, SingleBlockMessageBehindTheHeaderIsFoundInBothModes) {
    for (int mode : {kShallow, kBottom}) {
        TStoreBuilder store(true);
        const std::string text = "From: a@b\r\n\r\nhello";
        ASSERT_EQ(store.AddMessage(text), 0x2AD4u);
        store.AddZeros(600);
        auto run = Scan(store, mode);
        EXPECT_EQ(run.Found, std::vector<std::uint32_t>{0x2AD4}) << mode;
        EXPECT_EQ(Out("00002AD4.eml"), text);
        std::filesystem::remove_all(dir_.Path() / "out");
    }
}

TEST_F(ChainCarver, ThreeBlockChainIsOneFileAndTheSearchGoesOnBehindIt) {
    TStoreBuilder store(true);
    const std::string text = Text(1124);
    const std::uint32_t start = store.AddMessage(text);
    store.AddZeros(2000);
    TDBXScanThread& scan = Inspect(store, kShallow);
    ASSERT_EQ(scan.FindChain(), start);
    scan.CarveChain();
    EXPECT_EQ(scan.Position(), start + 1584);
    EXPECT_EQ(Salvaged(dir_.Path() / "inspect-out", TDBXScanThread::MessageFileName(start)), text);
}

TEST_F(ChainCarver, FullLastBlockIsRejectedSoItsBytesAreNotWritten) {
    TStoreBuilder store(true);
    const std::uint32_t exact = store.AddMessage(Text(512));
    const std::uint32_t longer = store.AddMessage(Text(1536, 'k'));
    store.AddZeros(600);
    auto run = Scan(store, kShallow);
    EXPECT_EQ(run.Found, std::vector<std::uint32_t>{longer});
    EXPECT_EQ(Out(TDBXScanThread::MessageFileName(longer)), Text(1536, 'k').substr(0, 1024));
    (void)exact;
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
    EXPECT_EQ(run.Found, (std::vector<std::uint32_t>{0x2AD4 + 528, elsewhere}));
    EXPECT_EQ(Out(TDBXScanThread::MessageFileName(0x2AD4 + 528)), Text(700).substr(512));
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
    EXPECT_EQ(bottom.Found, (std::vector<std::uint32_t>{0x2AD8, 0x2AD8 + 528 + 2}));
    EXPECT_EQ(Out("00002AD8.eml"), Text(300));
}

TEST_F(ChainCarver, MarkersTooCloseToTheStartBeginNoCandidate) {
    TStoreBuilder store(false);
    store.AddZeros(64);
    store.PatchLE32(4, 4);     // a self offset at position 4
    store.PatchLE32(8, 512);   // a 512 at position 8
    store.PatchLE32(12, 512);  // the first 512 far enough out
    TDBXScanThread& scan = Inspect(store, kShallow);
    EXPECT_EQ(scan.FindChain(), 12u);
    EXPECT_EQ(scan.Position(), 8u);
}

TEST_F(ChainCarver, EmptyFirstBlockWritesNothingButMovesOnAWholeBlock) {
    TStoreBuilder store(true);
    TBlockSpec empty;
    empty.Self = store.End();
    store.AddBlocks({empty});
    store.AddZeros(600);
    TDBXScanThread& scan = Inspect(store, kShallow);
    ASSERT_EQ(scan.FindChain(), 0x2AD4u);
    scan.CarveChain();
    EXPECT_EQ(scan.Position(), 0x2AD4u + 528);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "inspect-out"));
}

TEST_F(ChainCarver, ChainBrokenPartWayKeepsWhatCameBefore) {
    TStoreBuilder store(true);
    auto blocks = TStoreBuilder::ChainBlocks(store.End(), Text(1800));
    blocks[2].Len = 600;  // more than a block holds
    store.AddBlocks(blocks);
    store.AddZeros(600);
    TDBXScanThread& scan = Inspect(store, kShallow);
    ASSERT_EQ(scan.FindChain(), 0x2AD4u);
    scan.CarveChain();
    EXPECT_EQ(scan.Position(), 0x2AD4u + 2 * 528 + 8);
    EXPECT_EQ(Salvaged(dir_.Path() / "inspect-out", "00002AD4.eml"), Text(1800).substr(0, 1024));
}

TEST_F(ChainCarver, FilesShorterThanAHeaderYieldNothing) {
    for (std::size_t size : {0u, 4u, 15u}) {
        TStoreBuilder store(false);
        store.AddZeros(size);
        if (size >= 4) store.PatchLE32(0, 512);
        for (int mode : {kShallow, kBottom}) {
            auto run = Scan(store, mode);
            EXPECT_TRUE(run.Found.empty()) << size;
            EXPECT_EQ(run.Failure, "") << size;
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
        for (int mode : {kShallow, kBottom}) {
            auto run = Scan(store, mode, buffer);
            EXPECT_EQ(run.Found, starts) << buffer << " " << mode;
        }
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(Out(TDBXScanThread::MessageFileName(starts[i])), Text(37 + i * 211, static_cast<char>('a' + i)));
    }
}

}  // namespace
}  // namespace tervaline::engine
