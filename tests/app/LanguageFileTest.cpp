// A language file's texts and font as the window shows them; reading the
// file is the model's, tested in tests/ui.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "MainFormPeer.h"
#include "WindowFixture.h"
#include "components/FoldrDlg.h"
#include "tests/support/TempDir.h"

namespace tervaline::app {
namespace {

using testing::TRecordingDialogs;
using testing::TTempDir;

class LanguageFileTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> MakeForm(const std::string& file) {
        testing::WriteFileBytes(programDir.Path() / "x.lng", file);
        return std::make_unique<TMainForm>(programDir.Path().string(), &dialogs);
    }

    testing::TOwnSettingsFolder settings;
    TTempDir programDir;
    TRecordingDialogs dialogs;
};

TEST_F(LanguageFileTest, EveryTextOfTheFileReachesItsControl) {
    using TGetter = std::function<QString(TMainFormPeer&)>;
    struct TCase {
        const char* Key;
        TGetter Shown;
    };
    const TCase cases[] = {
        {"InputFile", [](TMainFormPeer& f) { return f.lblFile->text(); }},
        {"BrowseFile", [](TMainFormPeer& f) { return f.btnFile->text(); }},
        {"OutputFolder", [](TMainFormPeer& f) { return f.lblFolder->text(); }},
        {"BrowseFolder", [](TMainFormPeer& f) { return f.btnFolder->text(); }},
        {"SelectFolder", [](TMainFormPeer& f) { return QString::fromStdString(f.FolderDlg->Comment()); }},
        {"TrashFolder", [](TMainFormPeer& f) { return f.lblTrash->text(); }},
        {"DefaultTrashFolder", [](TMainFormPeer& f) { return f.edtTrash->text(); }},
        {"ScanMode", [](TMainFormPeer& f) { return f.rdgMode->title(); }},
        {"ShallowMode", [](TMainFormPeer& f) { return f.rdgModeItem0->text(); }},
        {"BottomMode", [](TMainFormPeer& f) { return f.rdgModeItem1->text(); }},
        {"DeepMode", [](TMainFormPeer& f) { return f.rdgModeItem2->text(); }},
        {"Buffer", [](TMainFormPeer& f) { return f.lblBuffer->text(); }},
        {"Status", [](TMainFormPeer& f) { return f.lblStatusFix->text(); }},
        {"Start", [](TMainFormPeer& f) { return f.btnStart->text(); }},
        {"Abort", [](TMainFormPeer& f) { return f.btnAbort->text(); }},
        {"Close", [](TMainFormPeer& f) { return f.btnClose->text(); }},
        {"OpenFolder", [](TMainFormPeer& f) { return f.lblOpenFolder->text(); }},
        {"WriteMbox", [](TMainFormPeer& f) { return f.actMbox->text(); }},
        {"MboxAll", [](TMainFormPeer& f) { return f.actMboxAll->text(); }},
        {"HashStore", [](TMainFormPeer& f) { return f.actHashStore->text(); }},
        {"OK", [this](TMainFormPeer&) { return dialogs.Texts.Ok; }},
        {"Yes", [this](TMainFormPeer&) { return dialogs.Texts.Yes; }},
        {"No", [this](TMainFormPeer&) { return dialogs.Texts.No; }},
        {"Cancel", [this](TMainFormPeer&) { return dialogs.Texts.Cancel; }},
        {"Open", [this](TMainFormPeer&) { return dialogs.Texts.Open; }},
        {"LookIn", [this](TMainFormPeer&) { return dialogs.Texts.LookIn; }},
        {"FileName", [this](TMainFormPeer&) { return dialogs.Texts.FileName; }},
        {"FileType", [this](TMainFormPeer&) { return dialogs.Texts.FileType; }},
    };
    std::string file = "[Interface]\n";
    for (const auto& c : cases) file += std::string(c.Key) + "=x " + c.Key + "\n";
    auto form = MakeForm(file);
    TMainFormPeer f(*form);
    for (const auto& c : cases) EXPECT_TRUE(c.Shown(f).contains(QString("x ") + c.Key)) << c.Key;
    EXPECT_EQ(f.lblStatus1->x(), f.lblStatusFix->x() + f.lblStatusFix->width() + 10);
    EXPECT_EQ(f.lblBuffer->geometry().right() + 1, 296) << "the buffer label keeps its right edge";
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(LanguageFileTest, FontKeysChangeTheWindowButNotClose) {
    auto form = MakeForm("[Interface]\nFont.Name=\"IPAGothic\"\nFont.Size=12\nFont.Style=3\nFont.Color=0x000000FF\n");
    TMainFormPeer f(*form);
    EXPECT_EQ(form->font().families().value(0), "IPAGothic");
    EXPECT_EQ(form->font().pixelSize(), 16);
    EXPECT_TRUE(form->font().bold());
    EXPECT_TRUE(form->font().italic());
    EXPECT_EQ(form->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.lblFile->font().pixelSize(), 16) << "labels follow the window";
    EXPECT_EQ(f.btnClose->font().pixelSize(), 12);
    EXPECT_FALSE(f.btnClose->font().bold());
}

TEST_F(LanguageFileTest, AFileTheWindowCannotUseIsSaidOnceAndTheBuiltInTextsStay) {
    struct TCase {
        const char* Name;
        std::string File;
        const char* Kind;
    };
    const TCase cases[] = {
        {"a malformed colour", "[Interface]\nFont.Size=20\nFont.Color=0xZZ\nStart=Go\n", "error"},
        {"texts no font can draw", "[Interface]\nStart=\xF4\x8F\xBF\xBD\n", "information"},
    };
    for (const auto& c : cases) {
        dialogs.Shown.clear();
        auto form = MakeForm(c.File);
        TMainFormPeer f(*form);
        ASSERT_EQ(dialogs.Shown.size(), 1u) << c.Name;
        EXPECT_EQ(dialogs.Shown[0].Kind, c.Kind) << c.Name;
        EXPECT_EQ(f.btnStart->text(), "&Start") << c.Name;
        EXPECT_EQ(form->font().pixelSize(), 12) << c.Name;
    }
}

}  // namespace
}  // namespace tervaline::app
