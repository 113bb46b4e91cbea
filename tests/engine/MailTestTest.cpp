#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/MailTest.h"
#include "platform/CodePage.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

using namespace std::string_literals;

struct TCase {
    const char* what;
    std::string text;
    bool mail;
};

TEST(MailTest, AddressHeadersDecideWhatIsMail) {
    const TCase cases[] = {
        {"To: with a space", "Subject: x\r\nTo: ann@example.com\r\n\r\nbody", true},
        {"capitals, no space", "TO:ANN@EXAMPLE.COM\r\n", true},
        {"reply-to in lower case", "reply-to: bob@example.org\r\n", true},
        {"From: line only", "Subject: hi\r\nFrom: erin@example.org\r\nTo: the team\r\n", true},
        {"address on the next line", "To:\r\n  grace@example.com\r\n", false},
        {"line feed between", "From: x\n@example.com", false},
        {"no header at all", "hello @ world\r\n", false},
        {"NUL before the header", "junk\0To: ann@example.com\r\n"s, false},
        {"full-width T, O and colon", "\x82\x73\x82\x6e\x81\x46 ann@example.com\r\n", false},
        {"escaped at sign decodes to @", "To: ann\\100example.com\r\n", true},
        {"escaped line break splits the line", "To: ann\\n@example.com\r\n", false},
        {"trailing backslash, with an address", "To: ann@example.com\r\nC:\\", true},
        {"trailing backslash, no address", "Subject: path C:\\", false},
        {"bad hex escape, with an address", "From: a@b \\xZZ", true},
        {"octal above 16 bits, no address", "\\777777 To: nobody", false},
    };
    platform::TCodePageScope scope(platform::kCodePage932);
    TMailTest test(nullptr);
    for (const TCase& c : cases) EXPECT_EQ(test.IsMail(c.text), c.mail) << c.what;
}

TEST(MailTest, FinalLoneLeadByteIsTestedAsItStands) {
    platform::TCodePageScope scope(platform::kCodePage932);
    TMailTest test(nullptr);
    EXPECT_TRUE(test.IsMail("To: a@b \\t\x82"));
    EXPECT_FALSE(test.IsMail("To: a \\t\x82"));
}

TEST(MailTest, PatternObjectsLeaveTheirOwnerWithTheTest) {
    platform::TComponent owner(nullptr);
    {
        TMailTest test(&owner);
        EXPECT_EQ(owner.ComponentCount(), 2u);
    }
    EXPECT_EQ(owner.ComponentCount(), 0u);
}

TEST(MailTest, ScanSendsChainsToOutputOrTrashAsTheTestSays) {
    testing::TTempDir dir;
    tools::TStoreBuilder store(true);
    const std::string mail = tools::MakeMailText(1, 700);
    const std::string notMail = tools::MakeMailText(2, 300, false);
    const std::string brokenEscape = "Subject: backup\r\n\r\nsaved to D:\\";
    const std::uint32_t a = store.AddMessage(mail);
    const std::uint32_t b = store.AddMessage(notMail);
    const std::uint32_t c = store.AddMessage(brokenEscape);
    store.AddZeros(600);
    store.WriteTo(dir / "store.dbx");

    testing::TScanSetup setup;
    setup.Source = dir / "store.dbx";
    setup.Output = dir / "out";
    setup.Trash = "/";  // a lone separator leaves no name: "trash" is used
    const auto run = testing::RunScan(setup);
    EXPECT_EQ(run.Found, (std::vector<std::uint64_t>{a, b, c}));
    const auto name = [](std::uint32_t offset) { return TDBXScanThread::MessageFileName(offset); };
    EXPECT_EQ(testing::ListFiles(dir.Path() / "out"), std::vector<std::string>{name(a)});
    EXPECT_EQ(testing::ListFiles(dir.Path() / "out" / "trash"), (std::vector<std::string>{name(b), name(c)}));
    EXPECT_EQ(testing::ReadFileBytes(dir.Path() / "out" / "trash" / name(c)), brokenEscape);
}

}  // namespace
}  // namespace tervaline::engine
