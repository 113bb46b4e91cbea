#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "engine/MailTest.h"
#include "engine/MessageFileName.h"
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

std::string Lines(const char* field, std::size_t count) {
    std::string lines;
    for (std::size_t i = 0; i < count; ++i) lines += std::string(field) + ": filler line " + std::to_string(i) + "\r\n";
    return lines;
}

const TCase kCases[] = {
        {"To: with a space", "Subject: x\r\nTo: ann@example.com\r\n\r\nbody", true},
        {"capitals, no space", "TO:ANN@EXAMPLE.COM\r\n", true},
        {"reply-to in lower case", "reply-to: bob@example.org\r\n", true},
        {"From: line only", "Subject: hi\r\nFrom: erin@example.org\r\nTo: the team\r\n", true},
        {"address on the next line", "To:\r\n  grace@example.com\r\n", false},
        {"line feed between", "From: x\n@example.com", false},
        {"no header at all", "hello @ world\r\n", false},
        {"NUL before the header", "junk\0To: ann@example.com\r\n"s, false},
        {"NUL, and the header lines later", "junk\0\r\n"s + Lines("X", 8) + "To: ann@example.com\r\n", false},
        {"full-width T, O and colon", "\x82\x73\x82\x6e\x81\x46 ann@example.com\r\n", false},
        {"escaped at sign decodes to @", "To: ann\\100example.com\r\n", true},
        {"escaped line break splits the line", "To: ann\\n@example.com\r\n", false},
        {"trailing backslash, with an address", "To: ann@example.com\r\nC:\\", true},
        {"trailing backslash, no address", "Subject: path C:\\", false},
        {"bad hex escape, with an address", "From: a@b \\xZZ", true},
        {"octal above 16 bits, no address", "\\777777 To: nobody", false},
};

TEST(MailTest, AddressHeadersDecideWhatIsMail) {
    platform::TCodePageScope scope(platform::kCodePage932);
    TMailTest test(nullptr);
    for (const TCase& c : kCases) EXPECT_EQ(test.IsMail(c.text), c.mail) << c.what;
}

// A text too long to hold is tested window by window; wherever the windows
// cut it, the answer is the whole text's while its lines are shorter than a
// window.
TEST(MailTest, LongTextsTestedWindowByWindowAsIfWhole) {
    platform::TCodePageScope scope(platform::kCodePage932);
    TMailTest test(nullptr);
    const auto isMail = [&test](const std::string& text) { return test.IsMail(text); };
    for (const TCase& c : kCases) {
        for (std::size_t fill : {0, 5, 40}) {
            const std::string text = Lines("Subject", fill) + c.text + "\r\n" + Lines("X-Filler", fill);
            const auto read = [&text](std::uint64_t offset, char* dest, std::size_t count) {
                const std::size_t n = offset < text.size() ? std::min(count, text.size() - offset) : 0;
                text.copy(dest, n, offset);
                return n;
            };
            for (std::size_t window : {64, 97, 256, 100000}) {
                EXPECT_EQ(TMailTest::IsMailByWindows(read, window, isMail), test.IsMail(text))
                    << c.what << ", " << fill << " filler lines, window " << window;
            }
        }
    }
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
    const auto run = testing::RunScan(setup);
    EXPECT_EQ(run.Found, (std::vector<std::uint64_t>{a, b, c}));
    const auto name = [](std::uint32_t offset) { return MessageFileName(offset, 0); };
    EXPECT_EQ(testing::ListFiles(dir.Path() / "out"), std::vector<std::string>{name(a)});
    EXPECT_EQ(testing::ListFiles(dir.Path() / "out" / "trash"), (std::vector<std::string>{name(b), name(c)}));
    EXPECT_EQ(testing::ReadFileBytes(dir.Path() / "out" / "trash" / name(c)), brokenEscape);
}

}  // namespace
}  // namespace tervaline::engine
