#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/AssertionFailed.h"
#include "engine/FileWindow.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"

namespace tervaline::engine {
namespace {

using testing::TTempDir;

// A store of Size bytes where byte i holds i % 251, so that every read can
// be checked against its offset.
class FileWindow : public ::testing::Test {
protected:
    TFileWindow& Open(std::size_t size, std::uint32_t bufferSize) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
        testing::WriteFileBytes(dir_ / "store.dbx", bytes);
        file_ = std::make_unique<platform::TUnsharedReadFile>(dir_ / "store.dbx");
        window_ = std::make_unique<TFileWindow>(*file_, size, bufferSize);
        window_->Load(0);
        return *window_;
    }
    static std::uint8_t At(std::uint64_t offset) { return static_cast<std::uint8_t>(offset % 251); }

    TTempDir dir_;
    std::unique_ptr<platform::TUnsharedReadFile> file_;
    std::unique_ptr<TFileWindow> window_;
};

TEST_F(FileWindow, SkipLandingOnTheEndOfValidBytesKeepsTheWindowAndPeekRefillsAtTheCursor) {
    TFileWindow& w = Open(1000, 100);
    w.Skip(100);
    EXPECT_EQ(w.Base(), 0u);
    EXPECT_EQ(w.Position(), 100u);
    std::uint8_t b[4];
    w.Peek(b, 4);
    EXPECT_EQ(w.Base(), 100u);
    EXPECT_EQ(b[0], At(100));
    EXPECT_EQ(b[3], At(103));
}

TEST_F(FileWindow, SkipPastTheWindowReloadsAtTheNewPosition) {
    TFileWindow& w = Open(1000, 100);
    w.Skip(60);
    w.Skip(41);
    EXPECT_EQ(w.Base(), 101u);
    EXPECT_EQ(w.Position(), 101u);
}

TEST_F(FileWindow, BackFurtherThanTheCursorRefillsFromTheEarlierPosition) {
    TFileWindow& w = Open(1000, 100);
    w.Skip(100);
    std::uint8_t b[4];
    w.Peek(b, 4);  // window now starts at 100
    w.Skip(2);
    w.Back(10);
    EXPECT_EQ(w.Base(), 92u);
    EXPECT_EQ(w.Position(), 92u);
    w.Skip(5);
    w.Back(2);
    EXPECT_EQ(w.Base(), 92u);  // within the window: no reload
    EXPECT_EQ(w.Position(), 95u);
}

TEST_F(FileWindow, PeeksAndReadsMustAskForLessThanTheBuffer) {
    TFileWindow& w = Open(1000, 100);
    std::uint8_t b[100];
    EXPECT_NO_THROW(w.Peek(b, 99));
    EXPECT_NO_THROW(w.ReadAt(500, b, 99));
    for (bool peek : {true, false}) {
        try {
            if (peek) {
                w.Peek(b, 100);
            } else {
                w.ReadAt(500, b, 100);
            }
            FAIL() << "a read of the whole buffer passed";
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(e.Check(), TCheck::ReadFitsBuffer);
            EXPECT_NE(std::string(e.what()).find("DbxScan"), std::string::npos);
        }
    }
}

TEST_F(FileWindow, BytesPastTheEndOfTheFileReadAsZerosNotAsStaleBuffer) {
    TFileWindow& w = Open(1000, 100);
    std::uint8_t b[64];
    w.Peek(b, 64);  // fills the buffer with file bytes 0..99
    w.Skip(950);
    w.Peek(b, 64);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(b[i], At(950 + i)) << i;
    for (int i = 50; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;
    w.Skip(200);  // beyond the end
    w.Peek(b, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(b[i], 0) << i;
}

// Reads by offset, in turn, from the window, across its edge, from the
// read-ahead and past the end: each gives the
// file's bytes (zeros past its end) and leaves the cursor and the window
// where they stood.
TEST_F(FileWindow, ReadsByOffsetGiveTheFilesBytesAndLeaveTheCursorAlone) {
    TFileWindow& w = Open(1000, 100);
    w.Skip(30);
    struct TCase {
        std::uint64_t offset;
        std::size_t count;
        std::size_t inFile;
    };
    const TCase cases[] = {
        {40, 50, 50},     // inside the window
        {90, 40, 40},     // across its end
        {100, 60, 60},    // inside what the read-ahead holds after that
        {190, 40, 40},    // across the read-ahead's end
        {980, 40, 20},    // across the end of the file
        {1000, 16, 0},    // past it
        {5000, 8, 0},     // far past it
        {1, 99, 99},      // all of the window but its first byte
    };
    for (const TCase& c : cases) {
        std::string got(c.count, '\x7f');
        EXPECT_EQ(w.ReadAt(c.offset, got.data(), c.count), c.inFile) << c.offset;
        for (std::size_t i = 0; i < c.count; ++i) {
            const std::uint8_t want = i < c.inFile ? At(c.offset + i) : 0;
            ASSERT_EQ(static_cast<std::uint8_t>(got[i]), want) << c.offset << " + " << i;
        }
        EXPECT_EQ(w.Position(), 30u);
        EXPECT_EQ(w.Base(), 0u);
        EXPECT_EQ(w.Len(), 100u);
    }
}

// A disk's bad sectors read as zeros that no one takes for data: every read
// across one gives the good bytes around it and says which are lost, and
// each bad sector is listed once, whole, however often and however it was
// read, by this window or another over the same file.
#ifdef TERVALINE_FAULT_INJECTION
TEST_F(FileWindow, ReadsAcrossBadSectorsGiveTheGoodBytesAndListTheLostOnce) {
    const std::string store = dir_ / "store.dbx";
    // The second bad area is the file's last sector, cut short by its end.
    testing::TUnreadableDisk disk(store, {{1536, 512}, {4608, 392}});
    TFileWindow& w = Open(5000, 1100);
    EXPECT_EQ(disk.FailedReads(), 0u) << "the first window lies before the bad sectors";
    w.Load(1000);
    struct TCase {
        std::uint64_t offset;
        std::size_t count;
        std::vector<TByteRange> lost;
    };
    const TCase cases[] = {
        {1500, 80, {{1536, 44}}},    // from the window, into the bad sector
        {2040, 30, {{2040, 8}}},     // from the window, out of it
        {1800, 100, {{1800, 100}}},  // a read-ahead that begins inside it
        {3000, 50, {}},              // good bytes elsewhere
        {4590, 30, {{4608, 12}}},    // into the last sector
        {4990, 30, {{4990, 10}}},    // across the end of the file
    };
    for (const TCase& c : cases) {
        std::string got(c.count, '\x7f');
        EXPECT_EQ(w.ReadAt(c.offset, got.data(), c.count), std::min<std::size_t>(c.count, 5000 - c.offset)) << c.offset;
        EXPECT_EQ(w.UnreadableIn(c.offset, c.count), c.lost) << c.offset;
        for (std::size_t i = 0; i < c.count; ++i) {
            const std::uint64_t at = c.offset + i;
            bool lost = at >= 5000;
            for (const TByteRange& r : c.lost) lost = lost || (at >= r.Offset && at < r.Offset + r.Length);
            ASSERT_EQ(static_cast<std::uint8_t>(got[i]), lost ? 0 : At(at)) << c.offset << " + " << i;
        }
    }
    // Another window over the file meets the same sectors again.
    const std::unique_ptr<TFileWindow> sibling = w.Sibling();
    sibling->Load(1400);
    EXPECT_EQ(sibling->Cursor()[135], At(1535));
    EXPECT_EQ(sibling->Cursor()[136], 0);
    const std::vector<TUnreadableArea> expected = {{1536, 512, disk.Reason()}, {4608, 392, disk.Reason()}};
    EXPECT_EQ(w.Unreadable().List(), expected);
    EXPECT_EQ(&sibling->Unreadable(), &w.Unreadable());
}
#else
TERVALINE_FAULT_INJECTION_TEST_F(FileWindow, ReadsAcrossBadSectorsGiveTheGoodBytesAndListTheLostOnce)
#endif

}  // namespace
}  // namespace tervaline::engine
