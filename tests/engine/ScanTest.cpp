#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "platform/FileSystem.h"
#include "platform/WriteFault.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

namespace fs = std::filesystem;
using testing::ListFiles;
using testing::RunScan;
using testing::TScanSetup;
using testing::TTempDir;
using tools::TStoreBuilder;

class Scan : public ::testing::Test {
protected:
    TScanSetup Setup(const TStoreBuilder& store) {
        store.WriteTo(dir_ / "store.dbx");
        TScanSetup setup;
        setup.Source = dir_ / "store.dbx";
        setup.Output = dir_ / "out";
        return setup;
    }
    TTempDir dir_;
};

TEST_F(Scan, ProgressIsThinnedToAboutOneReportPerStep) {
    TStoreBuilder store(false);
    store.AddZeros(35000);
    auto setup = Setup(store);
    setup.ProgressSteps = 35;
    auto run = RunScan(setup);
    std::vector<std::uint64_t> expected;
    for (std::uint64_t p = 4; p < 35000 - 16; p += 1000) expected.push_back(p);
    expected.push_back(35000);  // the end, whatever was reported last
    EXPECT_EQ(run.Progress, expected);
}

TEST_F(Scan, SmallFilesReportEveryPositionAboveZero) {
    TStoreBuilder store(false);
    store.AddZeros(30);  // fewer bytes than progress steps: the step is 0
    auto run = RunScan(Setup(store));
    // The last examined position (16, at or past the limit of 14) reports too.
    EXPECT_EQ(run.Progress, (std::vector<std::uint64_t>{4, 8, 12, 16, 30}));
}

// Deep mode reads the store twice, the index and then the chains: the
// share done climbs through both, so that a bar is not full after the
// first and a stop says how much of the whole was done.
TEST_F(Scan, DeepProgressCoversTheIndexAndTheCarving) {
    TStoreBuilder store(true);
    for (int i = 0; i < 8; ++i) store.AddMessage(tools::MakeMailText(i, 3000));
    store.AddZeros(20000);
    auto setup = Setup(store);
    setup.Mode = TScanMode::Deep;
    const std::uint64_t size = fs::file_size(setup.Source);
    auto run = RunScan(setup);
    ASSERT_FALSE(run.Progress.empty());
    EXPECT_TRUE(std::is_sorted(run.Progress.begin(), run.Progress.end()));
    EXPECT_EQ(run.Progress.back(), 2 * size);
    const auto carving = std::count_if(run.Progress.begin(), run.Progress.end() - 1,
                                       [size](std::uint64_t done) { return done > size; });
    EXPECT_GE(carving, 8) << "each chain carved moves the bar on";
}

TEST_F(Scan, MissingStoreEndsWithAFailureTextAndOneDone) {
    TScanSetup setup;
    setup.Source = dir_ / "missing.dbx";
    setup.Output = dir_ / "out";
    auto run = RunScan(setup);
    EXPECT_EQ(run.DoneCount, 1);
    EXPECT_NE(run.Outcome.FailureText.find("missing.dbx"), std::string::npos) << run.Outcome.FailureText;
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out"));
}

TEST_F(Scan, StoreLockedByAnotherScanIsNotRead) {
    TStoreBuilder store(true);
    store.AddMessage("From: a@b\r\n\r\nx");
    auto setup = Setup(store);
    platform::TUnsharedReadFile held(setup.Source);
    auto run = RunScan(setup);
    EXPECT_TRUE(run.Found.empty());
    EXPECT_NE(run.Outcome.FailureText.find("in use"), std::string::npos) << run.Outcome.FailureText;
}

TEST_F(Scan, BufferTooSmallForABlockFailsTheReadFitsBufferCheck) {
    TStoreBuilder store(true);
    store.AddMessage("From: a@b\r\n\r\nx");
    auto setup = Setup(store);
    setup.BufferSize = 512;
    auto run = RunScan(setup);
    EXPECT_TRUE(run.Found.empty());
    EXPECT_NE(run.Outcome.FailureText.find("check 396"), std::string::npos) << run.Outcome.FailureText;
}

#ifdef TERVALINE_FAULT_INJECTION
TEST_F(Scan, ChainsThatCannotBeWrittenAreCountedWithTheFirstReason) {
    TStoreBuilder store(true);
    store.AddMessage("From: a@b\r\n\r\none");
    store.AddMessage("From: a@b\r\n\r\ntwo");
    auto setup = Setup(store);
    std::vector<TUnwrittenMessage> named;
    setup.OnUnwrittenHook = [&named](TDBXScanThread&, const TUnwrittenMessage& unwritten) {
        named.push_back(unwritten);
    };
    platform::SetWriteFaultForTesting([](const std::string& path, std::size_t) {
        return path.find("2AD4") != std::string::npos ? EACCES : EIO;
    });
    auto run = RunScan(setup);
    platform::SetWriteFaultForTesting({});
    EXPECT_TRUE(run.Found.empty());
    EXPECT_EQ(run.Outcome.Unwritten, 2u);
    EXPECT_NE(run.Outcome.FirstUnwrittenReason.find("Permission denied"), std::string::npos)
        << run.Outcome.FirstUnwrittenReason;
    EXPECT_EQ(run.Outcome.FailureText, "");
    // Each one is named with its own reason, not only the first.
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0].Address, 0x2AD4u);
    EXPECT_EQ(named[1].Address, 0x2AD4u + 528);
    EXPECT_NE(named[1].Reason.find("00002CE4.eml\": Input/output error"), std::string::npos) << named[1].Reason;
}
#endif

// A stop takes effect after the chain being carved; what was carved before
// it is written, and the place the search stopped at lies behind them all.
TEST_F(Scan, StopRequestTakesEffectAfterTheChainBeingCarved) {
    TStoreBuilder store(true);
    std::vector<std::uint64_t> starts;
    for (int i = 0; i < 5; ++i) starts.push_back(store.AddMessage(tools::MakeMailText(i, 900)));
    auto setup = Setup(store);
    setup.OnFoundHook = [](TDBXScanThread& scan, const TFoundMessage&) { scan.RequestStop(); };
    auto run = RunScan(setup);
    ASSERT_FALSE(run.Found.empty());
    EXPECT_EQ(run.Found, std::vector<std::uint64_t>(starts.begin(), starts.begin() + run.Found.size()));
    EXPECT_EQ(ListFiles(dir_.Path() / "out").size(), run.Found.size());
    EXPECT_EQ(run.Found.size(), run.Outcome.Carved) << "everything carved is written";
    EXPECT_GT(run.Outcome.SearchedTo, run.Found.back());
    EXPECT_EQ(run.Outcome.FailureText, "");
}

TEST_F(Scan, FailingFoundReceiverCostsOnlyItsOwnNotification) {
    TStoreBuilder store(true);
    store.AddMessage("From: a@b\r\n\r\none");
    store.AddMessage("From: a@b\r\n\r\ntwo");
    auto setup = Setup(store);
    setup.OnFoundHook = [](TDBXScanThread&, const TFoundMessage& found) {
        const std::uint64_t address = found.Address;
        if (address == 0x2AD4) throw std::runtime_error("receiver failed");
    };
    auto run = RunScan(setup);
    EXPECT_EQ(run.Found, std::vector<std::uint64_t>{0x2AD4 + 528});
    EXPECT_EQ(ListFiles(dir_.Path() / "out").size(), 2u);
}

// Five messages and a long empty stretch behind them, so that the search
// still reports progress after the last chain has been carved.
class ScanWhileWriting : public Scan {
protected:
    void SetUp() override {
        TStoreBuilder store(true);
        for (int i = 0; i < 5; ++i) starts_.push_back(store.AddMessage(tools::MakeMailText(i, 900)));
        pastLast_ = store.End();
        store.AddZeros(20000);
        setup_ = Setup(store);
        setup_.OnProgressHook = [this](TDBXScanThread&, const TScanProgress& progress) {
        const std::uint64_t p = progress.Done;
            if (p > pastLast_) searchPassedLast_ = true;
        };
    }
    // Waits, on the writer's thread, until the search has carved every
    // chain; false if it does not within a generous time.
    bool AwaitSearchPastLastChain() {
        for (int i = 0; i < 10000 && !searchPassedLast_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return searchPassedLast_;
    }
    std::vector<std::uint64_t> starts_;
    std::uint64_t pastLast_ = 0;
    std::atomic<bool> searchPassedLast_{false};
    TScanSetup setup_;
};

TEST_F(ScanWhileWriting, TheSearchGoesOnWhileAMessageIsBeingWritten) {
    bool overlapped = false;
    setup_.OnFoundHook = [&](TDBXScanThread&, const TFoundMessage& found) {
        const std::uint64_t address = found.Address;
        if (address == starts_[0]) overlapped = AwaitSearchPastLastChain();
    };
    auto run = RunScan(setup_);
    EXPECT_TRUE(overlapped);
    EXPECT_EQ(run.Found, starts_) << "finds are reported in the order of the store";
    EXPECT_EQ(ListFiles(dir_.Path() / "out").size(), 5u);
    EXPECT_TRUE(run.Outcome.ReachedEnd);
}

// What was found before a stop is written, whoever asks for the stop: the
// place the search stopped at tells what a stopped scan covered.
TEST_F(ScanWhileWriting, AStopFromElsewhereStillWritesWhatWasFound) {
    bool queued = false;
    setup_.OnFoundHook = [&](TDBXScanThread& scan, const TFoundMessage& found) {
        const std::uint64_t address = found.Address;
        if (address != starts_[0]) return;
        queued = AwaitSearchPastLastChain();
        std::thread window([&scan] { scan.RequestStop(); });
        window.join();
    };
    auto run = RunScan(setup_);
    EXPECT_TRUE(queued);
    EXPECT_EQ(run.Found, starts_);
    EXPECT_EQ(ListFiles(dir_.Path() / "out").size(), 5u);
    EXPECT_EQ(run.Outcome.FailureText, "");
    EXPECT_GT(run.Outcome.SearchedTo, starts_.back());
}

// A stop that comes once the search has reached the end, while the last
// message is being written, costs nothing: the scan still reached the end.
TEST_F(ScanWhileWriting, AStopAfterTheSearchHasEndedLosesNothing) {
    const std::uint64_t limit = pastLast_ + 20000 - 16;
    std::atomic<bool> searchEnded{false};
    setup_.ProgressSteps = 1000000;  // a report at every position
    setup_.OnProgressHook = [&](TDBXScanThread&, const TScanProgress& progress) {
        const std::uint64_t p = progress.Done;
        if (p >= limit) searchEnded = true;
    };
    setup_.OnFoundHook = [&](TDBXScanThread& scan, const TFoundMessage& found) {
        const std::uint64_t address = found.Address;
        if (address != starts_.back()) return;
        for (int i = 0; i < 10000 && !searchEnded; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::thread window([&scan] { scan.RequestStop(); });
        window.join();
    };
    auto run = RunScan(setup_);
    EXPECT_TRUE(searchEnded);
    EXPECT_EQ(run.Found, starts_);
    EXPECT_TRUE(run.Outcome.ReachedEnd);
}

TEST_F(ScanWhileWriting, AStopFromAProgressReceiverStillWritesWhatWasCarved) {
    setup_.OnProgressHook = [this](TDBXScanThread& scan, const TScanProgress& progress) {
        const std::uint64_t p = progress.Done;
        if (p > pastLast_ && !searchPassedLast_) {
            scan.RequestStop();
            searchPassedLast_ = true;
        }
    };
    bool queued = false;
    setup_.OnFoundHook = [&](TDBXScanThread&, const TFoundMessage& found) {
        const std::uint64_t address = found.Address;
        if (address == starts_[0]) queued = AwaitSearchPastLastChain();
    };
    auto run = RunScan(setup_);
    EXPECT_TRUE(queued);
    EXPECT_EQ(run.Found, starts_);
    EXPECT_EQ(ListFiles(dir_.Path() / "out").size(), 5u);
    EXPECT_FALSE(run.Outcome.ReachedEnd) << "the search stopped before the end";
}

}  // namespace
}  // namespace tervaline::engine
