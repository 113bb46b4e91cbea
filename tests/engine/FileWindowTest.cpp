#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/AssertionFailed.h"
#include "engine/FileWindow.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

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
            EXPECT_EQ(e.Check(), 396);
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

}  // namespace
}  // namespace tervaline::engine
