// The language file: found beside the program, read in its own encoding
// over the built-in texts, given up whole for a bad value or for texts no
// installed font can show; and the samples hold every key the window reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"
#include "ui/LanguageFile.h"
#include "ui/TextCoverage.h"

namespace tervaline::ui {
namespace {

using testing::TTempDir;

TEST(LanguageFileTest, FindsTheFirstLngEntryOfAnyKind) {
    const TTempDir none;
    const std::string noneFolder = none.Path().string() + "/";
    EXPECT_EQ(FindLanguageFile(noneFolder), "");
    testing::WriteFileBytes(none.Path() / "readme.txt", "");
    testing::WriteFileBytes(none.Path() / "lng", "");
    EXPECT_EQ(FindLanguageFile(noneFolder), "");
    EXPECT_EQ(FindLanguageFile(noneFolder + "absent/"), "");
    for (const char* name : {"Japanese.lng", ".hidden.lng", "UPPER.LNG", "folder.lng"}) {
        const TTempDir dir;
        const std::filesystem::path entry = dir.Path() / name;
        if (std::string(name) == "folder.lng") {
            std::filesystem::create_directory(entry);
        } else {
            testing::WriteFileBytes(entry, "");
        }
        EXPECT_EQ(FindLanguageFile(dir.Path().string() + "/"), dir.Path().string() + "/" + name) << name;
    }
}

TEST(LanguageFileTest, ValidUtf8IsToldFromOtherBytes) {
    struct TCase {
        std::string_view Bytes;
        bool Valid;
    };
    const TCase cases[] = {
        {"", true},
        {"Start=&Go", true},
        {"\xE9\x96\x8B\xE5\xA7\x8B", true},  // 開始
        {"\xF0\x9F\x98\x80", true},          // a character beyond the first plane
        {"\x8A\x4A\x8E\x6E", false},         // 開始 in code page 932
        {"\x95\x5C\x8E\xA6", false},         // 表示: the trail byte is a backslash
        {"\xC0\xAF", false},                 // overlong
        {"\xED\xA0\x80", false},             // a surrogate
        {"\xE9\x96", false},                 // cut short
        {"\xB1\xB2", false},                 // half-width kana in code page 932
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.Bytes), c.Valid) << c.Bytes;
}

TEST(LanguageFileTest, TextsAndFontAreReadInTheFilesEncodingOverTheBuiltInOnes) {
    const std::string start = "\xE9\x96\x8B\xE5\xA7\x8B(&S)";                   // 開始(&S)
    const std::string status = "\xE8\xA1\xA8\xE7\xA4\xBA";                      // 表示: its second byte is '\' in code page 932
    const std::string face = "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";
    const std::string tilde = "\xEF\xBD\x9E\xE2\x91\xA0\xEF\xBD\xB1";          // ～①ｱ, vendor rows of code page 932
    struct TCase {
        const char* Name;
        std::string Bytes;
        TLanguageEncoding Encoding;
        void (*Expect)(TLanguage&);
    };
    TInterfaceTexts builtIn;
    const TCase cases[] = {
        {"code page 932",
         "[Interface]\r\nFont.Name=\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E\r\nFont.Charset=shiftjis_charset\r\n"
         "Start=\x8A\x4A\x8E\x6E(&S)\r\nStatus=\x95\x5C\x8E\xA6\r\nHexPrefix=\x81\x60\x87\x40\xB1\r\n",
         TLanguageEncoding::CodePage932, nullptr},
        {"UTF-8", "[Interface]\nFont.Name=" + face + "\nFont.Charset=SHIFTJIS_CHARSET\nStart=" + start +
                      "\nStatus=" + status + "\nHexPrefix=" + tilde + "\n",
         TLanguageEncoding::Utf8, nullptr},
    };
    for (const auto& c : cases) {
        const TTempDir dir;
        testing::WriteFileBytes(dir.Path() / "j.lng", c.Bytes);
        const TLanguage language = ReadLanguage(dir / "j.lng");
        EXPECT_EQ(language.Encoding, c.Encoding) << c.Name;
        EXPECT_EQ(language.Texts.Start, start) << c.Name;
        EXPECT_EQ(language.Texts.Status, status) << c.Name;
        EXPECT_EQ(language.Texts.HexPrefix, tilde) << c.Name;
        EXPECT_EQ(language.Font.Face, face) << c.Name;
        EXPECT_EQ(language.Font.Charset, kShiftJisCharset) << c.Name;
        // Texts without a key stay built in.
        EXPECT_EQ(language.Texts.Abort, builtIn.Abort) << c.Name;
    }
}

TEST(LanguageFileTest, ValuesAreTrimmedAnEmptyValueEmptiesAndOnlyTheFaceTakesQuotes) {
    const TTempDir dir;
    testing::WriteFileBytes(dir.Path() / "t.lng",
                            "[Interface]\nStart=   Go on  \nAbort=\nHexPrefix= $ \nFilter= Mail|*.dbx \n"
                            "Close=\"Shut\"\nFont.Name=\"IPAGothic\"\nFont.Size=0x0C\nFont.Style=3\n"
                            "Font.Color=0x000000FF\nFont.Charset=NO_SUCH_CHARSET\n");
    const TLanguage language = ReadLanguage(dir / "t.lng");
    TInterfaceTexts expected;
    expected.Start = "Go on";
    expected.Abort = "";
    expected.HexPrefix = "$";
    expected.Filter = "Mail|*.dbx";
    expected.Close = "\"Shut\"";
    EXPECT_EQ(language.Texts, expected);
    const TWindowFont font{"IPAGothic", 12, kBoldStyle | kItalicStyle, 0x000000FF, TWindowFont{}.Charset};
    EXPECT_EQ(language.Font, font);
}

TEST(LanguageFileTest, AMalformedColourIsNamedAndNothingOfTheFileIsUsed) {
    const TTempDir dir;
    const std::string path = dir / "bad.lng";
    testing::WriteFileBytes(path, "[Interface]\nFont.Size=20\nFont.Color=0xZZ\nStart=Go\n");
    try {
        ReadLanguage(path);
        ADD_FAILURE() << "read";
    } catch (const EBadLanguage& e) {
        EXPECT_EQ(std::string(e.what()), "The language file \"" + path +
                                             "\" has a bad value for Font.Color, so its texts and font are not "
                                             "used.\r\n\r\n'$ZZ' \xE3\x81\xAF\xE6\x95\xB4\xE6\x95\xB0\xE3\x81\xA7"
                                             "\xE3\x81\xAF\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93");
    }
}

TEST(LanguageFileTest, TextsNoInstalledFontCanShowGiveWayToTheBuiltInOnesOnce) {
    const TTempDir dir;
    const std::string path = dir / "j.lng";
    testing::WriteFileBytes(path, "[Interface]\nFont.Name=Kochi\nStart=\xE9\x96\x8B\xE5\xA7\x8B\n");
    const TCanDraw asciiOnly = [](std::string_view text) {
        for (char c : text) {
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        }
        return true;
    };
    struct TCase {
        const char* Name;
        TCanDraw CanDraw;
        bool BuiltIn;
    };
    const TCase cases[] = {{"ASCII alone", asciiOnly, true}, {"everything", [](std::string_view) { return true; }, false},
                           {"no test", nullptr, false}};
    for (const auto& c : cases) {
        std::string notice;
        const TLanguage shown = DrawableLanguage(ReadLanguage(path), c.CanDraw, &notice);
        EXPECT_EQ(shown.Texts.Start == TInterfaceTexts{}.Start, c.BuiltIn) << c.Name;
        EXPECT_EQ(shown.Font == TWindowFont{}, c.BuiltIn) << c.Name;
        EXPECT_EQ(notice.find(path) != std::string::npos, c.BuiltIn) << c.Name << ": " << notice;
        EXPECT_TRUE(asciiOnly(notice)) << "the notice itself must be drawable";
    }
}

TEST(LanguageFileTest, TheSampleFilesHoldEveryKeyInTheirOwnEncoding) {
    struct TCase {
        const char* Name;
        TLanguageEncoding Encoding;
    };
    const TCase cases[] = {{"German.lng", TLanguageEncoding::Utf8}, {"Japanese.lng", TLanguageEncoding::CodePage932}};
    for (const auto& c : cases) {
        const std::string path = std::string(TERVALINE_SAMPLES_DIR) + "/" + c.Name;
        const std::string bytes = testing::ReadFileBytes(path);
        EXPECT_EQ(EncodingOf(bytes), c.Encoding) << c.Name;
        for (const TTextKey& key : TextKeys()) {
            EXPECT_TRUE(platform::FindProfileEntry(bytes, kLanguageSection, key.Key)) << c.Name << " lacks " << key.Key;
        }
        // A text typed in another encoding than the file's reads as U+FFFD.
        const TLanguage language = ReadLanguage(path);
        for (const TTextKey& key : TextKeys()) {
            EXPECT_EQ((language.Texts.*key.Text).find("\xEF\xBF\xBD"), std::string::npos) << c.Name << " " << key.Key;
        }
    }
}

}  // namespace
}  // namespace tervaline::ui
