#include "components/IniGT.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <string>

#include "TempFolder.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace tervaline::components {
namespace {

using platform::TPathSyntax;

TEST(IniGTTest, ResolvesBareNamesAgainstTheDefaultFolder) {
    struct TCase {
        TPathSyntax Syntax;
        const char* Name;
        TIniGTDefaultDir Dir;
        const char* Expected;
    };
    const TCase cases[] = {
        {TPathSyntax::Windows, "settings.ini", ddApplication, "C:\\Prog\\settings.ini"},
        {TPathSyntax::Windows, "settings.ini", ddWindows, "C:\\WINDOWS\\settings.ini"},
        {TPathSyntax::Windows, "settings.ini", ddNone, "settings.ini"},
        {TPathSyntax::Windows, "sub\\settings.ini", ddApplication, "sub\\settings.ini"},
        {TPathSyntax::Windows, "C:settings.ini", ddApplication, "C:settings.ini"},
        {TPathSyntax::Windows, "D:\\x\\settings.ini", ddWindows, "D:\\x\\settings.ini"},
        // A trail byte 0x5C is no folder part.
        {TPathSyntax::Windows, "\x95\x5C.ini", ddApplication, "C:\\Prog\\\x95\x5C.ini"},
        {TPathSyntax::Posix, "settings.ini", ddApplication, "/opt/prog/settings.ini"},
        {TPathSyntax::Posix, "settings.ini", ddWindows, "/etc/settings.ini"},
        {TPathSyntax::Posix, "sub/settings.ini", ddApplication, "sub/settings.ini"},
        {TPathSyntax::Posix, "a\\b.ini", ddApplication, "/opt/prog/a\\b.ini"},
    };
    platform::TCodePageScope japanese(platform::kCodePage932);
    for (const auto& c : cases) {
        const bool windows = c.Syntax == TPathSyntax::Windows;
        EXPECT_EQ(ResolveProfilePath(c.Syntax, c.Name, c.Dir, windows ? "C:\\Prog\\" : "/opt/prog/",
                                     windows ? "C:\\WINDOWS" : "/etc"),
                  c.Expected)
            << c.Name << " dir " << int(c.Dir);
    }
}

TEST(IniGTTest, AssigningDefaultDirResolvesTheStoredNameAgain) {
    TIniGT ini(nullptr);
    ini.SetFileName("settings.ini");
    EXPECT_EQ(ini.ResolvedPath(), platform::ProgramFolder() + "settings.ini");
    ini.SetDefaultDir(ddNone);
    EXPECT_EQ(ini.FileName(), "settings.ini");
    EXPECT_EQ(ini.ResolvedPath(), "settings.ini");
    ini.SetDefaultDir(ddWindows);
    EXPECT_EQ(ini.ResolvedPath(), std::string(kSystemConfigFolder) + "/settings.ini");
}

TEST(IniGTTest, ConvertsIntegersAsThePlatformDoes) {
    struct TCase {
        const char* Text;
        std::optional<std::int32_t> Expected;
    };
    const TCase cases[] = {
        {"42", 42},          {"-7", -7},        {"+7", 7},           {"$1F", 31},
        {"$FFFFFFFF", -1},   {"2147483647", 2147483647},            {"-2147483648", INT32_MIN},
        {"2147483648", {}},  {"$123456789", {}}, {"", {}},           {"$", {}},
        {"12abc", {}},       {"0x10", {}},      {" 5", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToInt(c.Text), c.Expected) << '"' << c.Text << '"';
}

class IniGTFileTest : public ::testing::Test {
protected:
    void Load(const std::string& body) {
        ini.SetFileName(folder.Write("test.ini", "[S]\r\n" + body));
    }

    test::TTempFolder folder;
    TIniGT ini{nullptr};
};

TEST_F(IniGTFileTest, ReadStringRemovesOnePairOfFencesAndTrims) {
    struct TCase {
        TIniGTFence Fence;
        const char* Value;
        const char* Expected;
    };
    const TCase cases[] = {
        {fnNone, "\"abc\"", "\"abc\""},
        {fnDoubleQuote, "\"abc\"", "abc"},
        {fnVer11Mode, "\"abc\"", "abc"},
        {fnParenthesis, "\"abc\"", "\"abc\""},
        {fnParenthesis, "\xA2" "abc\xA3", "abc"},
        {fnVer11Mode, "\xA2" "abc\xA3", "abc"},
        {fnDoubleQuote, "\xA2" "abc\xA3", "\xA2" "abc\xA3"},
        {fnDoubleQuote, "\"", "\""},
        {fnDoubleQuote, "\"\"", ""},
        {fnDoubleQuote, "\"\"x\"\"", "\"x\""},
        {fnDoubleQuote, "\"  padded\x01 \"", "padded"},
        {fnVer11Mode, "\"mixed\xA3", "\"mixed\xA3"},
        {fnNone, "plain", "plain"},
    };
    for (const auto& c : cases) {
        Load(std::string("Key=") + c.Value + "\r\n");
        ini.SetFence(c.Fence);
        EXPECT_EQ(ini.ReadString("S", "Key", "d"), c.Expected) << c.Value << " fence " << int(c.Fence);
    }
}

TEST_F(IniGTFileTest, ReadStringOfMissingKeyGivesTheTrimmedDefault) {
    Load("Other=x\r\n");
    for (TIniGTFence fence : {fnDoubleQuote, fnParenthesis, fnVer11Mode, fnNone}) {
        ini.SetFence(fence);
        EXPECT_EQ(ini.ReadString("S", "Key", " \tdefault text "), "default text") << int(fence);
    }
}

TEST_F(IniGTFileTest, ReadIntegerTakesDecimalOrHexAfter0x) {
    struct TCase {
        const char* Value;
        std::int32_t Expected;
    };
    const TCase cases[] = {
        {"12", 12}, {"0x1F", 31}, {"0X1f", 31}, {"0xFFFFFFFF", -1}, {"0x", -99},
        {"0xG", -99}, {"abc", -99}, {"", -99}, {"9.5", -99}, {"$10", 16},
    };
    for (const auto& c : cases) {
        Load(std::string("Key=") + c.Value + "\r\n");
        EXPECT_EQ(ini.ReadInteger("S", "Key", -99), c.Expected) << c.Value;
    }
    Load("");
    EXPECT_EQ(ini.ReadInteger("S", "Key", -99), -99);
}

TEST_F(IniGTFileTest, ReadColorSkipsTwoPrefixBytesAndReadsUpToEightDigits) {
    struct TCase {
        const char* Value;
        TColor Expected;
    };
    const TCase cases[] = {
        {"0x000000FF", 0x000000FF}, {"0xFF", 0xFF},   {"FF0000", 0},
        {"0x80000008", 0x80000008}, {"0x123456789", 0x12345678},
        {"##ff", 0xFF},
    };
    for (const auto& c : cases) {
        Load(std::string("Color=") + c.Value + "\r\n");
        EXPECT_EQ(ini.ReadColor("S", "Color", 0x00ABCDEF), c.Expected) << c.Value;
    }
    Load("");
    EXPECT_EQ(ini.ReadColor("S", "Color", 0x80000005), 0x80000005u);
}

TEST_F(IniGTFileTest, MalformedHexRaisesTheConversionError) {
    struct TCase {
        const char* Value;
        const char* Message;
    };
    const TCase cases[] = {
        {"clRed", "'$Red' は整数ではありません"},
        {"0x", "'$' は整数ではありません"},
        {"0x12 34", "'$12 34' は整数ではありません"},
    };
    for (const auto& c : cases) {
        Load(std::string("Color=") + c.Value + "\r\n");
        try {
            ini.ReadHex("S", "Color", 0);
            ADD_FAILURE() << c.Value << " was read";
        } catch (const EConvertError& error) {
            EXPECT_STREQ(error.what(), c.Message);
        }
    }
}

TEST_F(IniGTFileTest, ReadFontReadsItsFiveKeys) {
    platform::TCodePageScope singleByte(platform::kSingleByteCodePage);
    Load("Font.Name = \xA2 Courier New \xA3\r\n"
         "Font.Size=12\r\n"
         "Font.Style=3\r\n"
         "Font.Color=0x000000FF\r\n"
         "Font.Charset=shiftjis_charset\r\n");
    TFontAttributes font{"Old", 7, fsUnderline, 0x00123456, 0};
    ini.ReadFont("S", "Font", font);
    const TFontAttributes expected{"Courier New", 12, fsBold | fsItalic, 0x000000FF, SHIFTJIS_CHARSET};
    EXPECT_EQ(font, expected);

    const QFont qfont = ToQFont(font);
    EXPECT_TRUE(qfont.bold());
    EXPECT_TRUE(qfont.italic());
    EXPECT_FALSE(qfont.underline());
    EXPECT_EQ(qfont.pointSize(), 12);
    EXPECT_EQ(ToQColor(font.Color), QColor(255, 0, 0));
}

TEST_F(IniGTFileTest, ReadFontKeepsTheFontsOwnValuesForMissingKeys) {
    platform::TCodePageScope singleByte(platform::kSingleByteCodePage);
    Load("Font.Style=0x10F\r\n");
    TFontAttributes font{"Old", 7, fsUnderline, 0x00123456, 161};
    ini.ReadFont("S", "Font", font);
    // Only the low 8 bits of the style count.
    const TFontAttributes expected{"Old", 7, 0x0F, 0x00123456, 161};
    EXPECT_EQ(font, expected);
}

TEST_F(IniGTFileTest, ReadFontUsesTheComponentsFenceForTheCharsetOnly) {
    platform::TCodePageScope singleByte(platform::kSingleByteCodePage);
    Load("Font.Name=\"Quoted\"\r\nFont.Charset=\"GREEK_CHARSET\"\r\n");
    TFontAttributes font{"Old", 7, 0, 0, 0};

    ini.SetFence(fnNone);
    ini.ReadFont("S", "Font", font);
    EXPECT_EQ(font.Name, "Quoted");
    // "\"GREEK_CHARSET\"" names no character set: the work font's own stays.
    EXPECT_EQ(font.Charset, DEFAULT_CHARSET);
    EXPECT_EQ(ini.Fence(), fnNone);

    ini.SetFence(fnDoubleQuote);
    ini.ReadFont("S", "Font", font);
    EXPECT_EQ(font.Charset, 161);
    EXPECT_EQ(ini.Fence(), fnDoubleQuote);
}

TEST_F(IniGTFileTest, ReadFontLeavesTheFontAloneWhenAReadRaises) {
    Load("Font.Name=New\r\nFont.Color=clRed\r\n");
    const TFontAttributes before{"Old", 7, fsUnderline, 0x00123456, 0};
    TFontAttributes font = before;
    ini.SetFence(fnParenthesis);
    EXPECT_THROW(ini.ReadFont("S", "Font", font), EConvertError);
    EXPECT_EQ(font, before);
    EXPECT_EQ(ini.Fence(), fnParenthesis);
}

TEST(FontTest, CharsetIdentifiersMatchWithoutRegardToCase) {
    EXPECT_EQ(CharsetFromIdentifier("shiftjis_charset"), 128);
    EXPECT_EQ(CharsetFromIdentifier("Oem_Charset"), 255);
    EXPECT_EQ(CharsetFromIdentifier("EASTEUROPE_CHARSET"), 238);
    EXPECT_EQ(CharsetFromIdentifier("SHIFTJIS"), std::nullopt);
    EXPECT_EQ(CharsetIdentifier(77), "MAC_CHARSET");
    EXPECT_EQ(CharsetIdentifier(3), "");
}

TEST(FontTest, DefaultFontFollowsTheSystemCodePage) {
    {
        platform::TCodePageScope japanese(platform::kCodePage932);
        EXPECT_EQ(DefaultFontAttributes().Charset, SHIFTJIS_CHARSET);
    }
    platform::TCodePageScope singleByte(platform::kSingleByteCodePage);
    const TFontAttributes font = DefaultFontAttributes();
    EXPECT_EQ(font.Charset, DEFAULT_CHARSET);
    EXPECT_EQ(font.Style, 0);
    EXPECT_EQ(font.Color, clWindowText);
    EXPECT_GT(font.Size, 0);
}

TEST(FontTest, ColoursMapOntoTheToolkit) {
    QPalette palette;
    palette.setColor(QPalette::Text, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(0x00FF0000, palette), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(0x00336699, palette), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(ToQColor(clWindowText, palette), QColor(1, 2, 3));
    EXPECT_EQ(ToQColor(kSystemColorFlag + 5, palette), QColor(4, 5, 6));
}

}  // namespace
}  // namespace tervaline::components
