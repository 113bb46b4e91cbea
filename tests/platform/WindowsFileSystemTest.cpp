// What only the Windows file services do: the store opened without
// sharing, names outside the ANSI code page, and the size of a disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "platform/win/Handle.h"
#include "platform/win/WideText.h"
#include "tests/support/TempDir.h"

namespace tervaline::platform {
namespace {

using testing::TTempDir;
using testing::WriteFileBytes;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(WindowsFileSystem, AStoreHeldByAnotherOpenIsRefusedSayingWhoHoldsIt) {
    TTempDir dir;
    const std::string store = dir / "store.dbx";
    WriteFileBytes(store, "0123456789");
    struct Case {
        const char* holder;
        DWORD access;
        DWORD share;
        bool scan;  // the holder is a scan
        const char* says;
    };
    const Case cases[] = {
        {"a scan", 0, 0, true, "in use by another scan"},
        {"a program that shares nothing", GENERIC_READ, 0, false, "another program has it open"},
        {"a program that writes and shares reading", GENERIC_WRITE, FILE_SHARE_READ, false,
         "another program has it open"},
        {"a reader that shares everything", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
         false, "another program has it open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holder);
        std::unique_ptr<TUnsharedReadFile> scan;
        THandle program;
        if (c.scan) {
            scan = std::make_unique<TUnsharedReadFile>(store);
        } else {
            program = THandle(::CreateFileW(WideText(store).c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(program.Valid());
        }
        try {
            TUnsharedReadFile second(store);
            ADD_FAILURE() << "opened while held";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
        if (c.scan) {
            // Nor may another program read what a scan holds.
            const THandle reader(::CreateFileW(WideText(store).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(reader.Valid());
        }
    }
    EXPECT_NO_THROW(TUnsharedReadFile free(store));
}

TEST(WindowsFileSystem, NamesOutsideTheAnsiCodePageReachTheDiskWhole) {
    // The program keeps its 8-bit text in UTF-8, as it declares to the
    // system, and has no lead bytes then.
    EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
    EXPECT_EQ(ActiveCodePage(), kSingleByteCodePage);

    TTempDir dir;
    const std::string folder = dir / Utf8(u8"日本語/メール");
    ForceDirectories(folder);
    const std::string store = folder + "\\" + Utf8(u8"受信トレイ.dbx");
    WriteWholeFile(store, "mail");
    // Asked in UTF-16 of its own, the system finds the very names.
    const std::wstring wide = WideText(dir / "") + L"\u65e5\u672c\u8a9e\\\u30e1\u30fc\u30eb\\\u53d7\u4fe1\u30c8\u30ec\u30a4.dbx";
    EXPECT_NE(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(FileExists(store));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_EQ(FileSizeOrZero(store), 4u);
    EXPECT_EQ(FileNamesIn(folder), std::vector<std::string>{Utf8(u8"受信トレイ.dbx")});
    EXPECT_TRUE(IdentityOf(store).has_value());

    TUnsharedReadFile file(store);
    char bytes[4] = {};
    EXPECT_EQ(file.ReadAt(0, bytes, 4), 4u);
    EXPECT_EQ(std::string(bytes, 4), "mail");

    TNewFile message(folder, Utf8(u8"件名.eml"), 0600);
    message.Write("text");
    EXPECT_TRUE(message.PlaceAs(folder + "\\" + Utf8(u8"件名.eml")));
    EXPECT_TRUE(FileExists(folder + "\\" + Utf8(u8"件名.eml")));
}

TEST(WindowsFileSystem, ADiskIsMeasuredThroughItsDevice) {
    const std::string disk = "\\\\.\\PhysicalDrive0";
    const THandle device(::CreateFileW(WideText(disk).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (!device.Valid() || !::DeviceIoControl(device.Get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                                              sizeof length, &returned, nullptr)) {
        GTEST_SKIP() << "no disk here tells its size (" << SystemErrorText(static_cast<int>(::GetLastError())) << ")";
    }
    EXPECT_EQ(FileSizeOrZero(disk), static_cast<std::uint64_t>(length.Length.QuadPart));
    try {
        TUnsharedReadFile file(disk);
        EXPECT_EQ(file.Size(), static_cast<std::uint64_t>(length.Length.QuadPart));
        // A disk reads whole sectors only; an odd piece must still come back.
        char bytes[3] = {};
        EXPECT_EQ(file.ReadAt(511, bytes, 3), 3u);
        // A second scan of the disk is kept out, though the disk is shared
        // with the system.
        EXPECT_THROW(TUnsharedReadFile second(disk), EFileError);
    } catch (const EFileError& e) {
        GTEST_SKIP() << "the disk cannot be opened for reading here: " << e.what();
    }
}

}  // namespace
}  // namespace tervaline::platform
