#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "tests/support/TempDir.h"

namespace tervaline::engine {
namespace {

using testing::TTempDir;

// A store of Size bytes where byte i holds i % 251, so that every read can
// be checked against its offset.
class FileWindow : public ::testing::Test {
protected:
    void Open(std::size_t size, std::int32_t bufferSize) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
        testing::WriteFileBytes(dir_ / "store.dbx", bytes);
        scan_.SourceFile = dir_ / "store.dbx";
        scan_.BufferSize = bufferSize;
        scan_.ProgressSteps = 35;
        scan_.OpenForInspection();
        scan_.LoadWindow(0);
    }
    static std::uint8_t At(std::uint32_t offset) { return static_cast<std::uint8_t>(offset % 251); }

    TTempDir dir_;
    platform::TQueueDispatcher dispatcher_;
    TDBXScanThread scan_{dispatcher_};
};

TEST_F(FileWindow, SkipLandingOnTheEndOfValidBytesKeepsTheWindowAndPeekRefillsAtTheCursor) {
    Open(1000, 100);
    scan_.Skip(100);
    EXPECT_EQ(scan_.WindowBase(), 0u);
    EXPECT_EQ(scan_.Position(), 100u);
    std::uint8_t b[4];
    scan_.Peek(b, 4);
    EXPECT_EQ(scan_.WindowBase(), 100u);
    EXPECT_EQ(b[0], At(100));
    EXPECT_EQ(b[3], At(103));
}

TEST_F(FileWindow, SkipPastTheWindowReloadsAtTheNewPosition) {
    Open(1000, 100);
    scan_.Skip(60);
    scan_.Skip(41);
    EXPECT_EQ(scan_.WindowBase(), 101u);
    EXPECT_EQ(scan_.Position(), 101u);
}

TEST_F(FileWindow, BackFurtherThanTheCursorRefillsFromTheEarlierPosition) {
    Open(1000, 100);
    scan_.Skip(100);
    std::uint8_t b[4];
    scan_.Peek(b, 4);  // window now starts at 100
    scan_.Skip(2);
    scan_.Back(10);
    EXPECT_EQ(scan_.WindowBase(), 92u);
    EXPECT_EQ(scan_.Position(), 92u);
    scan_.Skip(5);
    scan_.Back(2);
    EXPECT_EQ(scan_.WindowBase(), 92u);  // within the window: no reload
    EXPECT_EQ(scan_.Position(), 95u);
}

TEST_F(FileWindow, PeekMustAskForLessThanTheBuffer) {
    Open(1000, 100);
    std::uint8_t b[100];
    EXPECT_NO_THROW(scan_.Peek(b, 99));
    try {
        scan_.Peek(b, 100);
        FAIL() << "a peek of the whole buffer passed";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Check(), 396);
        EXPECT_NE(std::string(e.what()).find("DbxScan"), std::string::npos);
    }
}

TEST_F(FileWindow, BytesPastTheEndOfTheFileReadAsZerosNotAsStaleBuffer) {
    Open(1000, 100);
    std::uint8_t b[64];
    scan_.Peek(b, 64);  // fills the buffer with file bytes 0..99
    scan_.Skip(950);
    scan_.Peek(b, 64);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(b[i], At(950 + i)) << i;
    for (int i = 50; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;
    scan_.Skip(200);  // beyond the end
    scan_.Peek(b, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST(FileWindowChecks, WindowOperationsWithoutABufferFailTheirChecks) {
    platform::TQueueDispatcher dispatcher;
    TDBXScanThread scan(dispatcher);
    std::uint8_t b[4];
    try {
        scan.LoadWindow(0);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Check(), 366);
    }
    try {
        scan.Peek(b, 4);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Check(), 395);
    }
}

}  // namespace
}  // namespace tervaline::engine
