// The window as a user meets it: the controls the model's rules enable,
// the texts and the bar it shows, the keys, and the questions it asks.
// The rules themselves are the model's, tested in tests/ui.
#include "app/MainForm.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MainFormPeer.h"
#include "WindowFixture.h"
#include "components/DropEdit.h"
#include "components/FoldrDlg.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::app {
namespace {

using testing::TRecordingDialogs;
using testing::TScanGate;
using testing::TTempDir;
using testing::WaitUntil;

class MainFormTest : public ::testing::Test {
protected:
    // A folder without a language file stands for the program's folder.
    std::unique_ptr<TMainForm> MakeForm() {
        return std::make_unique<TMainForm>(programDir.Path().string(), &dialogs, nullptr,
                                           testing::HoldAtFirstFind(gate));
    }

    std::string WriteStore(const std::string& path, int count) {
        tools::TStoreBuilder store(true);
        for (int i = 0; i < count; ++i) store.AddMessage(tools::MakeMailText(i + 10, 1500));
        store.WriteTo(path);
        return path;
    }

    static bool Idle(TMainFormPeer& f) {
        return f.Model().Phase() == ui::TScanPhase::Done || f.Model().Phase() == ui::TScanPhase::Idle;
    }

    // Shown and active, so that keys reach it as they would a user's.
    static void Activate(TMainForm& form) {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    testing::TOwnSettingsFolder settings;
    TTempDir programDir;
    TTempDir work;
    TRecordingDialogs dialogs;
    TScanGate gate;
};

TEST_F(MainFormTest, StartsIdleWithItsBuiltInSettings) {
    auto form = MakeForm();
    TMainFormPeer f(*form);
    EXPECT_EQ(form->size(), QSize(382, 257));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form->windowTitle(), "Tervaline");
    EXPECT_TRUE(f.btnStart->isEnabled());
    EXPECT_FALSE(f.btnAbort->isEnabled());
    EXPECT_EQ(f.edtTrash->text(), "trash");
    EXPECT_EQ(f.cmbBuffer->currentText(), "10");
    EXPECT_TRUE(f.rdgModeItem0->isChecked());
    EXPECT_EQ(f.lblStatus1->text(), "");
    EXPECT_FALSE(f.ProgressBar->isTextVisible());
    EXPECT_EQ(f.lblStatus1->pos(), QPoint(60, 186));
    EXPECT_EQ(f.lblDelimit->geometry().right() + 1, 291);
    EXPECT_EQ(f.lblBuffer->geometry().right() + 1, 296);
    EXPECT_EQ(f.edtFile->geometry(), QRect(16, 24, 265, 20));
    EXPECT_TRUE(f.edtTrashBase->isReadOnly());
    EXPECT_EQ(f.lblFile->buddy(), f.edtFile);
    EXPECT_EQ(f.lblTrash->buddy(), f.edtTrash);
    EXPECT_EQ(f.FolderDlg->Comment(), "Select Output Folder");
    EXPECT_TRUE(form->font().families().contains("IPAPGothic"));
    EXPECT_EQ(form->font().pixelSize(), 12);
    const QPoint offCentre = form->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    EXPECT_FALSE(f.lblOpenFolder->isVisibleTo(form.get()));
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(MainFormTest, FocusMovesInTheWindowsOrder) {
    auto form = MakeForm();
    TMainFormPeer f(*form);
    const std::vector<QWidget*> order = {f.edtFile,      f.btnFile,      f.edtFolder,    f.btnFolder,
                                         f.edtTrash,     f.rdgModeItem0, f.rdgModeItem1, f.rdgModeItem2,
                                         f.cmbBuffer,    f.btnStart,     f.btnAbort,     f.btnClose};
    // The chain also holds the parts of compound controls; keep ours.
    std::vector<QWidget*> chain;
    QWidget* w = order.front();
    do {
        if (std::find(order.begin(), order.end(), w) != order.end()) chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != order.front() && chain.size() <= order.size());
    EXPECT_EQ(chain, order);
}

TEST_F(MainFormTest, EscOnTheOpenBufferListClosesTheListAloneAndElsewhereTheWindow) {
    auto form = MakeForm();
    TMainFormPeer f(*form);
    Activate(*form);
    f.edtFile->SetFileName("/mail/Typed.dbx");
    f.cmbBuffer->setFocus();
    f.cmbBuffer->showPopup();
    ASSERT_TRUE(WaitUntil([&] { return f.cmbBuffer->view()->isVisible(); }));
    QTest::keyClick(f.cmbBuffer->view(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !f.cmbBuffer->view()->isVisible(); }));
    QTest::qWait(50);
    EXPECT_TRUE(form->isVisible()) << "the window and what was typed stay";
    EXPECT_EQ(f.edtFile->FileName(), "/mail/Typed.dbx");

    Activate(*form);
    f.edtFile->setFocus();
    QTest::keyClick(f.edtFile, Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return !form->isVisible(); }));
}

TEST_F(MainFormTest, AScanLocksWhatItUsesCountsItsFindsAndEndsWithAFullBar) {
    const std::string store = WriteStore(work / "Inbox.dbx", 3);
    auto form = MakeForm();
    TMainFormPeer f(*form);
    Activate(*form);
    f.edtFile->SetFileName(store);
    EXPECT_EQ(f.edtFolder->FileName(), work / "Inbox");
    EXPECT_EQ(f.edtTrashBase->FileName(), work / "Inbox");
    std::vector<QUrl> opened;
    form->OpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    f.btnStart->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.btnStart, Qt::Key_Space);
    ASSERT_TRUE(WaitUntil([&] { return gate.Arrived.load() > 0 && f.lblStatus1->text() == "1 messages found"; }));
    for (QWidget* locked : std::initializer_list<QWidget*>{f.edtFile, f.btnFile, f.edtFolder, f.btnFolder, f.edtTrash,
                                                           f.rdgMode, f.cmbBuffer, f.btnStart}) {
        EXPECT_FALSE(locked->isEnabled()) << locked->metaObject()->className();
    }
    EXPECT_FALSE(f.actMbox->isEnabled());
    EXPECT_TRUE(f.btnAbort->isEnabled());
    EXPECT_EQ(form->focusWidget(), f.btnAbort);
    EXPECT_TRUE(f.lblStatus2->text().endsWith("% done")) << f.lblStatus2->text().toStdString();

    gate.Open = true;
    ASSERT_TRUE(WaitUntil([&] { return Idle(f); }));
    EXPECT_EQ(f.lblStatus1->text(), "3 files found");
    EXPECT_EQ(f.lblStatus2->text(), "(3 mail, 0 trash)");
    EXPECT_EQ(f.ProgressBar->value(), f.ProgressBar->maximum()) << "the bar stays full behind the summary";
    EXPECT_TRUE(f.ProgressBar->text().startsWith("Finished in 0:0")) << f.ProgressBar->text().toStdString();
    EXPECT_TRUE(f.btnFolder->isEnabled());
    EXPECT_EQ(form->focusWidget(), f.btnStart);
    EXPECT_TRUE(dialogs.Shown.empty());
    ASSERT_TRUE(f.lblOpenFolder->isVisible());
    QTest::mouseClick(f.lblOpenFolder, Qt::LeftButton, Qt::NoModifier, QPoint(3, f.lblOpenFolder->height() / 2));
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(work / "Inbox"))});
}

TEST_F(MainFormTest, ARefusalIsShownAndPutsTheFocusWhereTheFaultIs) {
    WriteStore(work / "Inbox.dbx", 1);
    auto form = MakeForm();
    TMainFormPeer f(*form);
    Activate(*form);
    f.edtFile->SetFileName(work / "Inbox.dbx");
    f.cmbBuffer->setEditText("0");
    f.btnStart->click();
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].Kind, "error");
    EXPECT_EQ(dialogs.Shown[0].Caption, "Tervaline");
    EXPECT_TRUE(dialogs.Shown[0].Text.startsWith("The buffer must be"));
    EXPECT_TRUE(f.cmbBuffer->hasFocus());
    EXPECT_EQ(f.cmbBuffer->lineEdit()->selectedText(), "0");
    EXPECT_TRUE(f.btnStart->isEnabled());
}

TEST_F(MainFormTest, ClosingDuringAScanAsksFirst) {
    const std::string store = WriteStore(work / "Inbox.dbx", 4);
    enum class TAnswer { No, Yes, ScanEndsFirst };
    for (TAnswer answer : {TAnswer::No, TAnswer::Yes, TAnswer::ScanEndsFirst}) {
        std::filesystem::remove_all(work.Path() / "Inbox");
        dialogs.Shown.clear();
        gate.Open = false;
        gate.Arrived = 0;
        auto form = MakeForm();
        TMainFormPeer f(*form);
        form->show();
        f.edtFile->SetFileName(store);
        f.btnStart->click();
        ASSERT_TRUE(WaitUntil([&] { return gate.Arrived.load() > 0; }));
        dialogs.Answer = answer == TAnswer::Yes;
        if (answer == TAnswer::ScanEndsFirst) {
            dialogs.WhileAsking = [&] {
                gate.Open = true;
                WaitUntil([&] { return dialogs.Dismissed; }, 5000);
            };
        }
        const bool closed = form->close();
        dialogs.WhileAsking = nullptr;
        ASSERT_GE(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, "question");
        EXPECT_EQ(dialogs.Shown[0].Text, "Do you really want to stop?");
        EXPECT_EQ(closed, answer != TAnswer::No);
        EXPECT_EQ(dialogs.Shown.size(), 1u) << "no outcome box for a window on its way out";
        if (answer == TAnswer::No) {
            gate.Open = true;
            ASSERT_TRUE(WaitUntil([&] { return Idle(f); }));
            EXPECT_EQ(f.lblStatus1->text(), "4 files found");
        }
        if (answer == TAnswer::ScanEndsFirst) {
            EXPECT_EQ(testing::ListMessageFiles(work / "Inbox").size(), 4u);
        }
    }
}

TEST_F(MainFormTest, AWindowDestroyedMidScanWaitsForItsWorker) {
    const std::string store = WriteStore(work / "Inbox.dbx", 3);
    auto form = MakeForm();
    TMainFormPeer(*form).edtFile->SetFileName(store);
    TMainFormPeer(*form).btnStart->click();
    ASSERT_TRUE(WaitUntil([&] { return gate.Arrived.load() > 0; }));
    form.reset();
    // Nothing posted by the worker may be left to reach the window.
    QCoreApplication::processEvents();
    const std::size_t written = testing::ListMessageFiles(work / "Inbox").size();
    EXPECT_GE(written, 1u);
    EXPECT_LE(written, 3u);
}

TEST_F(MainFormTest, ThePickersStartWhereTheModelSaysAndHandItTheChoice) {
    std::filesystem::create_directories(work.Path() / "a");
    std::filesystem::create_directories(work.Path() / "b");
    auto form = MakeForm();
    TMainFormPeer f(*form);
    f.edtFile->SetFileName("/mail/Old.dbx");
    dialogs.Chosen = QString("/mail/Sent.dbx");
    f.btnFile->click();
    EXPECT_EQ(dialogs.OfferedFile, "/mail/Old.dbx");
    EXPECT_EQ(dialogs.OfferedFilters, QStringList({"DBX File (*.dbx) (*.dbx)", "All Types (*.*) (*)"}));
    EXPECT_EQ(f.edtFile->FileName(), "/mail/Sent.dbx");
    EXPECT_EQ(f.edtFolder->FileName(), "/mail/Sent");

    f.edtFolder->SetFileName(work / "a/new/deeper");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        components::TFolderBrowser* browser = f.FolderDlg->ActiveBrowser();
        if (browser == nullptr) return;
        shown = true;
        EXPECT_EQ(browser->SelectedPath().toStdString(), work / "a");
        browser->SelectFolder(QString::fromStdString(work / "b"));
        browser->accept();
    });
    f.btnFolder->click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(f.edtFolder->FileName(), work / "b");
    EXPECT_EQ(f.edtTrashBase->FileName(), work / "b");
}

TEST_F(MainFormTest, OnlyTextsSomeInstalledFontCanDrawCount) {
    struct TCase {
        const char* Text;
        bool Drawable;
    };
    const TCase cases[] = {
        {"&Start", true},
        {"\xE9\x96\x8B\xE5\xA7\x8B(&S)", true},  // 開始: the test machines have a Japanese font
        {"\xF4\x8F\xBF\xBD", false},             // U+10FFFD, private use: no font has it
    };
    for (const auto& c : cases) EXPECT_EQ(CanDrawText(c.Text), c.Drawable) << c.Text;
}

}  // namespace
}  // namespace tervaline::app
