#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <string>

#include "TempFolder.h"
#include "platform/CodePage.h"

namespace tervaline::platform {
namespace {

struct TLookupCase {
    const char* Title;
    const char* Text;
    const char* Section;
    const char* Key;
    const char* Expected;
};

TEST(ProfileFileTest, FindsValuesByTheRulesOfProfileFiles) {
    TCodePageScope singleByte(kSingleByteCodePage);
    const TLookupCase cases[] = {
        {"plain", "[Interface]\nTitle=Salvage\n", "Interface", "Title", "Salvage"},
        {"names ignore case", "[interface]\ntitle=Salvage\n", "INTERFACE", "TITLE", "Salvage"},
        {"blanks around key and value", "[S]\n  Key \t=  a b  \n", "S", "Key", "a b"},
        {"CR LF lines", "[S]\r\nKey=value\r\nOther=x\r\n", "S", "Key", "value"},
        {"last line without end", "[S]\nKey=value", "S", "Key", "value"},
        {"first key wins", "[S]\nKey=one\nKey=two\n", "S", "Key", "one"},
        {"first section wins", "[S]\nKey=one\n[S]\nKey=two\n", "S", "Key", "one"},
        {"key of another section", "[A]\nKey=one\n[B]\nOther=two\n", "B", "Key", "default"},
        {"key before any section", "Key=one\n[S]\n", "S", "Key", "default"},
        {"missing section", "[A]\nKey=one\n", "B", "Key", "default"},
        {"quotes are kept", "[S]\nKey=\"quoted\"\n", "S", "Key", "\"quoted\""},
        {"empty value is a value", "[S]\nKey=\n", "S", "Key", ""},
        {"equals sign inside value", "[S]\nKey=a=b\n", "S", "Key", "a=b"},
        {"blank section header", "[ S ]\nKey=v\n", "S", "Key", "v"},
        {"double-byte bytes pass through", "[S]\nKey=\x95\x5C\xA2x\xA3\n", "S", "Key", "\x95\x5C\xA2x\xA3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindProfileValue(c.Text, c.Section, c.Key, "default"), c.Expected) << c.Title;
    }
}

TEST(ProfileFileTest, FoldsCaseOnlyInSingleByteCharacters) {
    // 0x83 0x61 and 0x83 0x41 are two different double-byte characters in
    // code page 932, though their trail bytes are 'a' and 'A'.
    const std::string text = "[\x83\x61]\nKey=found\n";
    {
        TCodePageScope japanese(kCodePage932);
        EXPECT_EQ(FindProfileValue(text, "\x83\x61", "key", "none"), "found");
        EXPECT_EQ(FindProfileValue(text, "\x83\x41", "key", "none"), "none");
    }
    TCodePageScope singleByte(kSingleByteCodePage);
    EXPECT_EQ(FindProfileValue(text, "\x83\x41", "key", "none"), "found");
}

TEST(ProfileFileTest, CutsLongValues) {
    const std::string value(3000, 'v');
    const std::string read = FindProfileValue("[S]\nKey=" + value + "\n", "S", "Key", "");
    EXPECT_EQ(read, value.substr(0, TProfileFile::kMaxValueLength));
}

TEST(ProfileFileTest, ReadsTheFileAtEveryRead) {
    components::test::TTempFolder folder;
    const std::string path = folder.Write("settings.ini", "[S]\r\nKey=first\r\n");
    const TProfileFile file(path);
    EXPECT_EQ(file.ReadString("S", "Key", "d"), "first");
    folder.Write("settings.ini", "[S]\r\nKey=second\r\n");
    EXPECT_EQ(file.ReadString("S", "Key", "d"), "second");
}

TEST(ProfileFileTest, MissingFileGivesTheDefault) {
    components::test::TTempFolder folder;
    EXPECT_EQ(TProfileFile(folder / "absent.ini").ReadString("S", "Key", "d"), "d");
    EXPECT_EQ(TProfileFile("").ReadString("S", "Key", "d"), "d");
    // A folder is no profile file either.
    EXPECT_EQ(TProfileFile(folder.Path()).ReadString("S", "Key", "d"), "d");
}

}  // namespace
}  // namespace tervaline::platform
