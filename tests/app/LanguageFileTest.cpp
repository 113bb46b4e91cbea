#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "WindowFixture.h"
#include "app/LanguageFile.h"
#include "app/MainForm.h"
#include "components/DropEdit.h"
#include "components/FoldrDlg.h"
#include "components/IniGT.h"
#include "engine/DbxScan.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::app {
namespace {

using testing::TRecordingDialogs;
using testing::TTempDir;

// Every text a language file can replace, as the window shows it.
struct TShownTexts {
    QStringList Texts;
    bool operator==(const TShownTexts&) const = default;
};

TShownTexts ShownTexts(const TMainForm& f) {
    return {{f.lblFile->text(), f.btnFile->text(), f.OpenDialogFilter, f.lblFolder->text(),
             f.btnFolder->text(), QString::fromStdString(f.FolderDlg->Comment()), f.lblTrash->text(),
             f.edtTrash->text(), f.DefaultTrash, f.rdgMode->title(), f.rdgModeItem0->text(),
             f.rdgModeItem1->text(), f.lblStatusFix->text(), f.lblBuffer->text(), f.btnStart->text(),
             f.btnAbort->text(), f.btnClose->text(), f.Texts.NoFile, f.Texts.NowScan, f.Texts.CanStop,
             f.Texts.FoundData, f.Texts.FilesFound, f.Texts.HexPrefix, f.Texts.ScanFailed, f.Texts.Unwritten,
             f.Texts.UnwrittenOne, f.Texts.BadBuffer, f.Texts.MailTrash, f.Texts.Finished, f.Texts.Stopped,
             f.Texts.OpenFolder, f.Texts.OpenFailed, f.Texts.Dialogs.Ok, f.Texts.Dialogs.Yes, f.Texts.Dialogs.No,
             f.Texts.Dialogs.Cancel, f.lblOpenFolder->text(), f.rdgModeItem2->text()}};
}

class LanguageFileTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> MakeForm() {
        return std::make_unique<TMainForm>(programDir.Path().string(), &dialogs);
    }
    void WriteLanguage(const std::string& name, const std::string& bytes) {
        testing::WriteFileBytes(programDir.Path() / name, bytes);
    }

    TTempDir programDir;
    TRecordingDialogs dialogs;
};

TEST_F(LanguageFileTest, FindsTheFirstLngEntryOfAnyKind) {
    EXPECT_EQ(FindLanguageFile(programDir.Path().string() + "/"), "");
    testing::WriteFileBytes(programDir.Path() / "readme.txt", "");
    testing::WriteFileBytes(programDir.Path() / "lng", "");
    EXPECT_EQ(FindLanguageFile(programDir.Path().string() + "/"), "");

    for (const char* name : {"Japanese.lng", ".hidden.lng", "UPPER.LNG", "folder.lng"}) {
        TTempDir dir;
        const std::filesystem::path entry = dir.Path() / name;
        if (std::string(name) == "folder.lng") {
            std::filesystem::create_directory(entry);
        } else {
            testing::WriteFileBytes(entry, "");
        }
        EXPECT_EQ(FindLanguageFile(dir.Path().string() + "/"), entry.string()) << name;
    }
    EXPECT_EQ(FindLanguageFile(programDir.Path().string() + "/absent/"), "");
}

TEST_F(LanguageFileTest, WithoutAFileEverythingStaysBuiltIn) {
    testing::WriteFileBytes(programDir.Path() / "English.txt", "[Interface]\nStart=Go\n");
    auto form = MakeForm();
    EXPECT_EQ(form->Ini->FileName(), "");
    EXPECT_EQ(form->btnStart->text(), "&Start");
    EXPECT_EQ(form->Texts.NoFile, "File doesn't exist");
    EXPECT_EQ(form->Texts.NowScan, "Now scanning");
    EXPECT_EQ(form->Texts.CanStop, "Do you really want to stop?");
    EXPECT_EQ(form->Texts.FoundData, "Found data in address");
    EXPECT_EQ(form->Texts.FilesFound, "files found");
    EXPECT_EQ(form->Texts.HexPrefix, "0x");
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(LanguageFileTest, OneOfTwoFilesIsUsedWhole) {
    WriteLanguage("a.lng", "[Interface]\nStart=Start A\nAbort=Abort A\n");
    WriteLanguage("b.lng", "[Interface]\nStart=Start B\nAbort=Abort B\n");
    auto form = MakeForm();
    const std::string used = form->FindLanguageFile();
    ASSERT_FALSE(used.empty());
    const QString letter = used.back() == 'g' && used[used.size() - 5] == 'a' ? "A" : "B";
    EXPECT_EQ(form->Ini->FileName(), used);
    EXPECT_EQ(form->btnStart->text(), "Start " + letter);
    EXPECT_EQ(form->btnAbort->text(), "Abort " + letter);
}

TEST_F(LanguageFileTest, AFileWithOnlyStartChangesOnlyStart) {
    TShownTexts builtIn;
    QFont builtInFont;
    {
        auto plain = MakeForm();
        builtIn = ShownTexts(*plain);
        builtInFont = plain->font();
    }
    WriteLanguage("only.lng", "[Interface]\r\nStart=&Go\r\n");
    auto form = MakeForm();
    TShownTexts expected = builtIn;
    expected.Texts[14] = "&Go";
    EXPECT_EQ(ShownTexts(*form), expected);
    EXPECT_EQ(form->font(), builtInFont);
    EXPECT_EQ(form->lblStatus1->pos(), QPoint(form->lblStatusFix->x() + form->lblStatusFix->width() + 10, 186));
}

TEST_F(LanguageFileTest, ValuesAreTrimmedAndAnEmptyValueEmpties) {
    WriteLanguage("t.lng",
                  "[Interface]\nStart=   Go on  \nAbort=\nHexPrefix= $ \nFilter= Mail|*.dbx \n"
                  "ShallowMode=Flach\nSelectFolder=  Pick one\n");
    auto form = MakeForm();
    EXPECT_EQ(form->btnStart->text(), "Go on");
    EXPECT_EQ(form->btnAbort->text(), "");
    EXPECT_EQ(form->Texts.HexPrefix, "$");
    EXPECT_EQ(form->OpenDialogFilter, "Mail|*.dbx");
    EXPECT_EQ(form->rdgModeItem0->text(), "Flach");
    EXPECT_EQ(form->rdgModeItem1->text(), "Bottom Mode");
    EXPECT_EQ(form->FolderDlg->Comment(), "Pick one");
    form->ScanFound(0x2AD4);
    EXPECT_EQ(form->lblStatus2->text(), "$2AD4");
}

TEST_F(LanguageFileTest, ALongerStatusMovesTheStatusLine) {
    WriteLanguage("s.lng", "[Interface]\nStatus=Current state of the scan :\nBuffer=Read buffer size :\n");
    auto form = MakeForm();
    EXPECT_EQ(form->lblStatusFix->text(), "Current state of the scan :");
    EXPECT_GT(form->lblStatusFix->width(), 60);
    EXPECT_EQ(form->lblStatus1->x(), form->lblStatusFix->x() + form->lblStatusFix->width() + 10);
    EXPECT_EQ(form->lblBuffer->geometry().right() + 1, 296) << "the buffer label keeps its right edge";
}

TEST_F(LanguageFileTest, DefaultTrashFolderIsAlsoTheFallback) {
    WriteLanguage("d.lng", "[Interface]\nDefaultTrashFolder=rubbish\n");
    TTempDir work;
    tools::TStoreBuilder store(true);
    store.AddMessage(tools::MakeMailText(3, 800));
    store.WriteTo(work / "In.dbx");

    auto form = MakeForm();
    EXPECT_EQ(form->edtTrash->text(), "rubbish");
    EXPECT_EQ(form->DefaultTrash, "rubbish");
    form->edtTrash->clear();
    form->edtFile->SetFileName(work / "In.dbx");
    std::string trash;
    form->OnScanCreated = [&](engine::TDBXScanThread& worker) { trash = worker.TrashDir(); };
    form->btnStartClick();
    EXPECT_EQ(form->edtTrash->text(), "rubbish");
    EXPECT_EQ(trash, "rubbish");
    ASSERT_TRUE(testing::WaitForScanEnd(*form));
}

TEST_F(LanguageFileTest, FontKeysChangeTheWindowButNotClose) {
    WriteLanguage("f.lng", "[Interface]\nFont.Name=\"IPAGothic\"\nFont.Size=12\nFont.Style=3\n"
                           "Font.Color=0x000000FF\n");
    auto form = MakeForm();
    EXPECT_EQ(form->font().families().value(0), "IPAGothic");
    EXPECT_EQ(form->font().pixelSize(), 16);
    EXPECT_TRUE(form->font().bold());
    EXPECT_TRUE(form->font().italic());
    EXPECT_EQ(form->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(form->lblFile->font().pixelSize(), 16) << "labels follow the window";
    EXPECT_EQ(form->btnClose->font().pixelSize(), 12);
    EXPECT_FALSE(form->btnClose->font().bold());
}

TEST_F(LanguageFileTest, AMalformedColourIsShownAndTheBuiltInTextsStay) {
    TShownTexts builtIn;
    QFont builtInFont;
    {
        auto plain = MakeForm();
        builtIn = ShownTexts(*plain);
        builtInFont = plain->font();
    }
    WriteLanguage("bad.lng", "[Interface]\nFont.Size=20\nFont.Color=0xZZ\nStart=Go\n");
    auto form = MakeForm();
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].Kind, "error");
    // Where the fault is, then what it is.
    EXPECT_EQ(dialogs.Shown[0].Text,
              QString::fromUtf8("The language file \"%1/bad.lng\" has a bad value for Font.Color, so its texts and "
                                "font are not used.\r\n\r\n'$ZZ' は整数ではありません")
                  .arg(QString::fromStdString(programDir.Path().string())));
    EXPECT_EQ(ShownTexts(*form), builtIn);
    EXPECT_EQ(form->font(), builtInFont);
}

TEST_F(LanguageFileTest, EveryTextTheWindowShowsHasAKey) {
    using TGetter = std::function<QString(const TMainForm&)>;
    struct TCase {
        const char* Key;
        TGetter Shown;
    };
    const TCase cases[] = {
        {"ScanFailed", [](const TMainForm& f) { return f.Texts.ScanFailed; }},
        {"Unwritten", [](const TMainForm& f) { return f.Texts.Unwritten; }},
        {"UnwrittenOne", [](const TMainForm& f) { return f.Texts.UnwrittenOne; }},
        {"UnwrittenMore", [](const TMainForm& f) { return f.Texts.UnwrittenMore; }},
        {"WrittenBeside", [](const TMainForm& f) { return f.Texts.WrittenBeside; }},
        {"WrittenBesideOne", [](const TMainForm& f) { return f.Texts.WrittenBesideOne; }},
        {"LeftoversRemoved", [](const TMainForm& f) { return f.Texts.LeftoversRemoved; }},
        {"NoSignature", [](const TMainForm& f) { return f.Texts.NoSignature; }},
        {"Unreadable", [](const TMainForm& f) { return f.Texts.Unreadable; }},
        {"BadBuffer", [](const TMainForm& f) { return f.Texts.BadBuffer; }},
        {"MailTrash", [](const TMainForm& f) { return f.Texts.MailTrash; }},
        {"Finished", [](const TMainForm& f) { return f.Texts.Finished; }},
        {"Stopped", [](const TMainForm& f) { return f.Texts.Stopped; }},
        {"OpenFolder", [](const TMainForm& f) { return f.lblOpenFolder->text(); }},
        {"OpenFailed", [](const TMainForm& f) { return f.Texts.OpenFailed; }},
        {"OK", [this](const TMainForm&) { return dialogs.Texts.Ok; }},
        {"Yes", [this](const TMainForm&) { return dialogs.Texts.Yes; }},
        {"No", [this](const TMainForm&) { return dialogs.Texts.No; }},
        {"Cancel", [this](const TMainForm&) { return dialogs.Texts.Cancel; }},
        {"Open", [this](const TMainForm&) { return dialogs.Texts.Open; }},
        {"LookIn", [this](const TMainForm&) { return dialogs.Texts.LookIn; }},
        {"FileName", [this](const TMainForm&) { return dialogs.Texts.FileName; }},
        {"FileType", [this](const TMainForm&) { return dialogs.Texts.FileType; }},
        {"DeepMode", [](const TMainForm& f) { return f.rdgModeItem2->text(); }},
        {"WriteMbox", [](const TMainForm& f) { return f.actMbox->text(); }},
        {"ReportFailed", [](const TMainForm& f) { return f.Texts.ReportFailed; }},
    };
    std::string file = "[Interface]\n";
    for (const auto& c : cases) file += std::string(c.Key) + "=x " + c.Key + "\n";
    WriteLanguage("all.lng", file);
    auto form = MakeForm();
    for (const auto& c : cases) EXPECT_TRUE(c.Shown(*form).contains(QString("x ") + c.Key)) << c.Key;
}

TEST_F(LanguageFileTest, JapaneseFilesReadInEitherEncoding) {
    struct TCase {
        const char* Name;
        std::string Bytes;
    };
    // 開始(&S), 表示 (its second byte is a backslash in code page 932),
    // 見つかりました, and a face name.
    const TCase cases[] = {
        {"code page 932",
         "[Interface]\r\nFont.Name=\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E\r\n"
         "Start=\x8A\x4A\x8E\x6E(&S)\r\nStatus=\x95\x5C\x8E\xA6\r\n"
         "FilesFound=\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD\r\n"},
        {"UTF-8",
         "[Interface]\nFont.Name=\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83"
         "\xE3\x82\xAF\nStart=\xE9\x96\x8B\xE5\xA7\x8B(&S)\nStatus=\xE8\xA1\xA8\xE7\xA4\xBA\n"
         "FilesFound=\xE8\xA6\x8B\xE3\x81\xA4\xE3\x81\x8B\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\n"},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        testing::WriteFileBytes(dir.Path() / "Japanese.lng", c.Bytes);
        TMainForm form(dir.Path().string(), &dialogs);
        EXPECT_EQ(form.btnStart->text(), QString::fromUtf8("開始(&S)")) << c.Name;
        EXPECT_EQ(form.lblStatusFix->text(), QString::fromUtf8("表示")) << c.Name;
        EXPECT_EQ(form.Texts.FilesFound, QString::fromUtf8("見つかりました")) << c.Name;
        EXPECT_EQ(form.font().families().value(0), QString::fromUtf8("ＭＳ Ｐゴシック")) << c.Name;
        // Texts without a key come back unchanged through the file's encoding.
        EXPECT_EQ(form.btnAbort->text(), "&Abort") << c.Name;
        EXPECT_EQ(form.Texts.HexPrefix, "0x") << c.Name;
    }
    EXPECT_TRUE(dialogs.Shown.empty());
}

}  // namespace
}  // namespace tervaline::app
