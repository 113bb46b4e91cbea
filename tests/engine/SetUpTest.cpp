#include <gtest/gtest.h>

#include "engine/DbxScan.h"
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
        TDBXScanThread scan(dispatcher, c.syntax);
        scan.SourceFile = c.source;
        scan.SetOutputDir(c.value);
        EXPECT_EQ(scan.OutputDir(), c.expected) << c.value;
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
        TDBXScanThread scan(dispatcher, c.syntax);
        scan.SetTrashDir(c.value);
        EXPECT_EQ(scan.TrashDir(), c.expected) << c.value;
    }
}

TEST(ScanSetUp, ModesAboveOneMeanBottom) {
    platform::TQueueDispatcher dispatcher;
    TDBXScanThread scan(dispatcher);
    const std::pair<int, int> cases[] = {{2, -1}, {0, 0}, {1, 1}, {-5, -5}, {100, -1}};
    for (auto [given, stored] : cases) {
        scan.SetScanMode(given);
        EXPECT_EQ(scan.ScanMode(), stored) << given;
    }
}

TEST(ScanSetUp, MessageFileNamesAreEightUppercaseHexDigits) {
    EXPECT_EQ(TDBXScanThread::MessageFileName(0x2AD4), "00002AD4.eml");
    EXPECT_EQ(TDBXScanThread::MessageFileName(0xFFFFFFFF), "FFFFFFFF.eml");
    EXPECT_EQ(TDBXScanThread::MessageFileName(0xabcdef), "00ABCDEF.eml");
}

}  // namespace
}  // namespace tervaline::engine
