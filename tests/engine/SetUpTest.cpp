#include <gtest/gtest.h>

#include "engine/DbxScan.h"
#include "engine/FolderName.h"
#include "engine/MessageFileName.h"
#include "platform/Dispatcher.h"

namespace tervaline::engine {
namespace {

using platform::TPathSyntax;

struct TOutputCase {
    TPathSyntax syntax;
    const char* source;
    const char* value;
    const char* expected;
};

TEST(ScanSetUp, OutputFolderIsResolvedAgainstTheStoreAndLosesOneTrailingSeparator) {
    const TOutputCase cases[] = {
        {TPathSyntax::Windows, "C:\\mail\\Inbox.dbx", "out", "C:\\mail\\out"},
        {TPathSyntax::Windows, "C:\\mail\\Inbox.dbx", "D:\\x\\", "D:\\x"},
        {TPathSyntax::Windows, "C:\\mail\\Inbox.dbx", "\\\\srv\\share\\out", "\\\\srv\\share\\out"},
        {TPathSyntax::Windows, "C:\\mail\\Inbox.dbx", "sub\\out\\", "C:\\mail\\sub\\out"},
        {TPathSyntax::Posix, "/mail/Inbox.dbx", "out", "/mail/out"},
        {TPathSyntax::Posix, "/mail/Inbox.dbx", "/srv/x/", "/srv/x"},
        {TPathSyntax::Posix, "/mail/Inbox.dbx", "/srv/x", "/srv/x"},
    };
    platform::TQueueDispatcher dispatcher;
    for (const TOutputCase& c : cases) {
        TScanSettings settings;
        settings.Source = c.source;
        settings.Output = c.value;
        const TDBXScanThread scan(dispatcher, settings, {}, c.syntax);
        EXPECT_EQ(scan.OutputDir(), c.expected) << c.value;
    }
}

// Without a folder given, the store's path without its extension; never
// the store itself nor its folder.
TEST(ScanSetUp, DefaultOutputFolderIsNeitherTheStoreNorItsFolder) {
    const TOutputCase cases[] = {
        {TPathSyntax::Windows, "C:\\mail\\Inbox.dbx", "", "C:\\mail\\Inbox"},
        {TPathSyntax::Windows, "C:\\x.y\\Inbox", "", "C:\\x.y\\Inbox.salvaged"},
        {TPathSyntax::Posix, "/mail/Inbox.dbx", "", "/mail/Inbox"},
        {TPathSyntax::Posix, "/mail/a.b.dbx", "", "/mail/a.b"},
        {TPathSyntax::Posix, "/mail/Inbox", "", "/mail/Inbox.salvaged"},
        {TPathSyntax::Posix, "/mail/.dbx", "", "/mail/.dbx.salvaged"},
        {TPathSyntax::Posix, "/mail/..dbx", "", "/mail/..dbx.salvaged"},
        {TPathSyntax::Posix, "/mail/sub/...dbx", "", "/mail/sub/...dbx.salvaged"},
        {TPathSyntax::Posix, "Inbox", "", "Inbox.salvaged"},
    };
    platform::TQueueDispatcher dispatcher;
    for (const TOutputCase& c : cases) {
        EXPECT_EQ(DefaultOutputFolder(c.syntax, c.source), c.expected) << c.source;
        TScanSettings settings;
        settings.Source = c.source;
        const TDBXScanThread scan(dispatcher, settings, {}, c.syntax);
        EXPECT_EQ(scan.OutputDir(), c.expected) << c.source;
    }
}

TEST(ScanSetUp, TrashNameDefaultsAndLosesOneTrailingSeparator) {
    struct Case {
        TPathSyntax syntax;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {TPathSyntax::Windows, "", "trash"},     {TPathSyntax::Windows, "junk\\", "junk"},
        {TPathSyntax::Windows, "\\", ""},        {TPathSyntax::Posix, "junk/", "junk"},
        {TPathSyntax::Posix, "/", ""},           {TPathSyntax::Posix, "junk", "junk"},
    };
    platform::TQueueDispatcher dispatcher;
    for (const Case& c : cases) {
        TScanSettings settings;
        settings.Source = "store.dbx";
        settings.Trash = c.value;
        const TDBXScanThread scan(dispatcher, settings, {}, c.syntax);
        EXPECT_EQ(scan.TrashDir(), c.expected) << c.value;
    }
}

// What each mode does: the table of modes the window and the command line
// choose from.
TEST(ScanSetUp, TheRulesEachModeStandsFor) {
    struct Case {
        TScanMode mode;
        std::uint32_t step;
        bool selfTest;
        bool positionCheck;
        bool below4GiB;
        unsigned passes;
    };
    const Case cases[] = {
        {TScanMode::Shallow, 4, true, true, true, 1},
        {TScanMode::Grid, 4, false, false, false, 1},
        {TScanMode::Bottom, 1, false, false, false, 1},
        {TScanMode::Deep, 1, false, false, false, 2},
    };
    for (const Case& c : cases) {
        const TScanRules rules = ScanRulesFor(c.mode);
        EXPECT_EQ(rules.Step, c.step) << c.mode;
        EXPECT_EQ(rules.SelfOffsetTest, c.selfTest) << c.mode;
        EXPECT_EQ(rules.PositionCheck, c.positionCheck) << c.mode;
        EXPECT_EQ(rules.Below4GiBOnly, c.below4GiB) << c.mode;
        EXPECT_EQ(rules.Passes, c.passes) << c.mode;
    }
}

// The share done fits a bar of 1000 for stores and images of any size.
TEST(ScanSetUp, ProgressIsAShareInThousandthsWhateverTheSize) {
    struct Case {
        std::uint64_t done;
        std::uint64_t total;
        int permille;
    };
    const Case cases[] = {
        {0, 1, 0},
        {1'000, 35'000, 28},
        {35'000, 35'000, 1000},
        {5'000, 1'000, 1000},
        {0xFFFFFFFEull, 0xFFFFFFFFull, 999},
        {0x100000000ull * 3, 0x100000000ull * 6, 500},
        {(1ull << 62) - 1, 1ull << 62, 999},
        {1ull << 61, 1ull << 62, 500},
    };
    for (const Case& c : cases) EXPECT_EQ((TScanProgress{c.done, c.total}.Permille()), c.permille) << c.done;
}

// Eight digits below 4 GiB; sixteen for every chain of a larger file, so
// that names sort by offset there too.
TEST(ScanSetUp, MessageFileNamesAreUppercaseHexDigitsAsWideAsTheStoreNeeds) {
    struct Case {
        std::uint64_t offset;
        std::uint64_t storeSize;
        const char* name;
    };
    const Case cases[] = {
        {0x2AD4, 0, "00002AD4.eml"},
        {0xFFFFFFFF, 0, "FFFFFFFF.eml"},
        {0xabcdef, 0xFFFFFFFF, "00ABCDEF.eml"},
        {0x2AD4, 0x100000000, "0000000000002AD4.eml"},
        {0x140000003, 0x200000000, "0000000140000003.eml"},
        {0x100000000, 0, "0000000100000000.eml"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageFileName(c.offset, c.storeSize), c.name) << c.offset;
        // Offsets are shown as the files are named.
        EXPECT_EQ(OffsetDigits(c.offset, c.storeSize) + ".eml", c.name) << c.offset;
    }
}

TEST(ScanSetUp, MailFolderNamesBecomeNamesEveryFileSystemTakes) {
    const std::pair<const char*, const char*> cases[] = {
        {"Inbox", "Inbox"},
        {"Work: 2024/Q1?", "Work_ 2024_Q1_"},
        {"a\\b|c<d>e\"f*", "a_b_c_d_e_f_"},
        {"tab\there", "tab_here"},
        {"Trailing. ", "Trailing"},
        {"...", "_"},
        {"", "_"},
        {"con", "con_"},
        {"Com7.txt", "Com7_.txt"},
        {"COM0", "COM0"},
        {"Console", "Console"},
        {"\xE5\x8F\x97\xE4\xBF\xA1", "\xE5\x8F\x97\xE4\xBF\xA1"},
    };
    for (const auto& [name, safe] : cases) EXPECT_EQ(SafeFolderName(name), safe) << name;
}

}  // namespace
}  // namespace tervaline::engine
