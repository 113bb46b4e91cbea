// The parts of the Windows window that decide something by themselves: the
// open-file dialog's file types as the language file writes them, and
// whether the fonts installed here can draw a text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winapp/FileTypes.h"
#include "winapp/FontCoverage.h"

namespace tervaline::winapp {
namespace {

TEST(FileTypesTest, PairsOfDescriptionAndPatterns) {
    const struct {
        std::string Filter;
        std::vector<TFileType> Types;
    } cases[] = {
        {"DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*", {{L"DBX File (*.dbx)", L"*.dbx"}, {L"All Types (*.*)", L"*.*"}}},
        {"Stores|*.dbx;*.mbx", {{L"Stores", L"*.dbx;*.mbx"}}},
        // A description without its pattern stands for every file.
        {"DBX|*.dbx|Everything", {{L"DBX", L"*.dbx"}, {L"Everything", L"*.*"}}},
        {"||DBX|*.dbx", {{L"DBX", L"*.dbx"}}},
        {"", {}},
        // UTF-8 in, UTF-16 out.
        {"DBXファイル (*.dbx)|*.dbx", {{L"DBX\x30D5\x30A1\x30A4\x30EB (*.dbx)", L"*.dbx"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseFileTypes(c.Filter), c.Types) << c.Filter;
}

TEST(FontCoverageTest, TextsSomeInstalledFontDraws) {
    TFontCoverage coverage;
    const struct {
        std::string Text;
        bool Drawable;
    } cases[] = {
        {"&Start", true},
        {"S&chlie\xC3\x9F"
         "en",
         true},
        {"\r\n", true},
        // The tests' Wine prefix sees the system's Japanese fonts.
        {"\xE5\x85\xA5\xE5\x8A\x9B\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB", true},
        // U+0378 is unassigned: no font has it.
        {"A\xCD\xB8", false},
        {"\xCD\xB8"
         "A",
         false},
    };
    for (const auto& c : cases) EXPECT_EQ(coverage.CanDraw(c.Text), c.Drawable) << c.Text;
}

}  // namespace
}  // namespace tervaline::winapp
