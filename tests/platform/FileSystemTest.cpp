#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#if TERVALINE_POSIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "tests/support/TempDir.h"

namespace tervaline::platform {
namespace {

using testing::ReadFileBytes;
using testing::TTempDir;
using testing::WriteFileBytes;

// The system's number for a file that is not there: ENOENT, or Windows's
// ERROR_FILE_NOT_FOUND.
constexpr int kNotFound = TERVALINE_POSIX ? ENOENT : 2;

TEST(FileSystem, UnsharedOpenRefusesASecondOpenUntilTheFirstCloses) {
    TTempDir dir;
    WriteFileBytes(dir / "store.dbx", "0123456789");
    {
        TUnsharedReadFile first(dir / "store.dbx");
        EXPECT_THROW(TUnsharedReadFile second(dir / "store.dbx"), EFileError);
    }
    EXPECT_NO_THROW(TUnsharedReadFile again(dir / "store.dbx"));
}

TEST(FileSystem, ReadAtReturnsFewerBytesOnlyAtTheEnd) {
    TTempDir dir;
    WriteFileBytes(dir / "f", "0123456789");
    TUnsharedReadFile file(dir / "f");
    EXPECT_EQ(file.Size(), 10u);
    char buf[8] = {};
    EXPECT_EQ(file.ReadAt(2, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "2345");
    EXPECT_EQ(file.ReadAt(8, buf, 8), 2u);
    EXPECT_EQ(file.ReadAt(100, buf, 8), 0u);
}

TEST(FileSystem, OpenFailuresNameTheFileAndTheReason) {
    TTempDir dir;
    try {
        TUnsharedReadFile missing(dir / "missing.dbx");
        FAIL() << "a missing file opened";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.dbx"), std::string::npos);
        EXPECT_EQ(e.Error(), kNotFound);
        EXPECT_NE(std::string(e.what()).find(": " + SystemErrorText(kNotFound)), std::string::npos) << e.what();
    }
    EXPECT_THROW(TUnsharedReadFile folder(dir.Path().string()), EFileError);
}

TEST(FileSystem, ExistenceTestsTellFilesFromFolders) {
    TTempDir dir;
    WriteFileBytes(dir / "f", "x");
    EXPECT_TRUE(FileExists(dir / "f"));
    EXPECT_FALSE(DirectoryExists(dir / "f"));
    EXPECT_TRUE(DirectoryExists(dir.Path().string()));
    EXPECT_FALSE(FileExists(dir.Path().string()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_EQ(FileSizeOrZero(dir / "f"), 1u);
    EXPECT_EQ(FileSizeOrZero(dir / "none"), 0u);
}

TEST(FileSystem, ForceDirectoriesMakesEveryMissingParentAndReportsWhatBlocks) {
    TTempDir dir;
    ForceDirectories(dir / "a/b/c/");
    EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
    WriteFileBytes(dir / "file", "x");
    EXPECT_THROW(ForceDirectories(dir / "file/sub"), EFileError);
}

TEST(FileSystem, WriteWholeFileReplacesAndLeavesNoPartialFileOnFailure) {
    TTempDir dir;
    WriteWholeFile(dir / "m.eml", "first version, longer");
    WriteWholeFile(dir / "m.eml", "second");
    EXPECT_EQ(ReadFileBytes(dir / "m.eml"), "second");
    EXPECT_EQ(testing::ListFiles(dir.Path()), std::vector<std::string>{"m.eml"});
#if TERVALINE_POSIX
    if (::geteuid() != 0) {  // root writes through permissions
        std::filesystem::create_directory(dir.Path() / "ro");
        ::chmod((dir / "ro").c_str(), 0555);
        EXPECT_THROW(WriteWholeFile(dir / "ro/m.eml", "x"), EFileError);
        EXPECT_TRUE(testing::ListFiles(dir.Path() / "ro").empty());
    }
#endif
}

// A new file stands under a temporary name that tells what it is for until
// it is placed, and placing it never replaces what is there.
TEST(FileSystem, NewFileIsPlacedOnlyWhereNothingStands) {
    TTempDir dir;
    WriteFileBytes(dir / "taken.eml", "earlier");
    {
        TNewFile file(dir.Path().string(), "taken.eml", 0600);
        file.Write("message");
        const std::vector<std::string> names = testing::ListFiles(dir.Path());
        ASSERT_EQ(names.size(), 2u);
        std::string target;
        EXPECT_TRUE(TNewFile::IsTemporaryName(names[1], target)) << names[1];
        EXPECT_EQ(target, "taken.eml");
        EXPECT_FALSE(file.SameBytesAs(dir / "taken.eml"));
        EXPECT_FALSE(file.PlaceAs(dir / "taken.eml"));
        EXPECT_TRUE(file.PlaceAs(dir / "free.eml"));
    }
    EXPECT_EQ(ReadFileBytes(dir / "taken.eml"), "earlier");
    EXPECT_EQ(ReadFileBytes(dir / "free.eml"), "message");
    EXPECT_EQ(testing::ListFiles(dir.Path()), (std::vector<std::string>{"free.eml", "taken.eml"}));
    {
        TNewFile unplaced(dir.Path().string(), "gone.eml", 0600);
        unplaced.Write("x");
    }
    EXPECT_EQ(testing::ListFiles(dir.Path()).size(), 2u);
}

}  // namespace
}  // namespace tervaline::platform
