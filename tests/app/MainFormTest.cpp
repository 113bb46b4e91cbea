#include "app/MainForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "WindowFixture.h"
#include "components/DropEdit.h"
#include "components/FoldrDlg.h"
#include "components/IniGT.h"
#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"
#include "tools/StoreBuilder.h"

namespace tervaline::app {
namespace {

using engine::TDBXScanThread;
using testing::TRecordingDialogs;
using testing::TScanGate;
using testing::TTempDir;
using testing::WaitForScanEnd;
using testing::WaitUntil;

class MainFormTest : public ::testing::Test {
protected:
    // A folder without a language file stands for the program's folder.
    std::unique_ptr<TMainForm> MakeForm() {
        return std::make_unique<TMainForm>(programDir.Path().string(), &dialogs);
    }

    // A store of Count mails, then Trash chains that are no mail; returns
    // the offsets of their chains.
    std::vector<std::uint32_t> WriteStore(const std::string& path, int count, int trash = 0) {
        tools::TStoreBuilder store(true);
        std::vector<std::uint32_t> offsets;
        for (int i = 0; i < count + trash; ++i) {
            store.AddNoise(700, static_cast<std::uint64_t>(i) + 1);
            texts.push_back(tools::MakeMailText(static_cast<std::uint64_t>(i) + 10, 1500, i < count));
            offsets.push_back(store.AddMessage(texts.back()));
        }
        store.WriteTo(path);
        return offsets;
    }

    // Starts a scan of Store held inside its first find; false if the find
    // does not come.
    bool StartHeldAtFirstFind(TMainForm& form, const std::string& store, TScanGate& gate) {
        form.edtFile->SetFileName(store);
        testing::HoldAtFirstFind(form, gate);
        form.btnStartClick();
        return WaitUntil([&] { return gate.Arrived.load() > 0; });
    }

    // Shown and active, so that keys reach it as they would a user's.
    static void Activate(TMainForm& form) {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    TTempDir programDir;
    TTempDir work;
    TRecordingDialogs dialogs;
    std::vector<std::string> texts;
};

TEST_F(MainFormTest, StartsIdleWithItsBuiltInSettings) {
    auto form = MakeForm();
    EXPECT_EQ(form->size(), QSize(382, 257));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form->windowTitle(), "Tervaline");
    EXPECT_TRUE(form->btnStart->isEnabled());
    EXPECT_FALSE(form->btnAbort->isEnabled());
    EXPECT_EQ(form->edtTrash->text(), "trash");
    EXPECT_EQ(form->DefaultTrash, "trash");
    EXPECT_EQ(form->cmbBuffer->currentText(), "10");
    EXPECT_TRUE(form->rdgModeItem0->isChecked());
    EXPECT_EQ(form->ProgressBar->maximum(), 100);
    EXPECT_EQ(form->lblStatus1->text(), "");
    EXPECT_EQ(form->lblStatus1->pos(), QPoint(60, 186));
    EXPECT_EQ(form->lblStatus2->pos(), QPoint(184, 186));
    EXPECT_EQ(form->lblDelimit->geometry().right() + 1, 291);
    EXPECT_EQ(form->lblBuffer->geometry().right() + 1, 296);
    EXPECT_EQ(form->edtFile->geometry(), QRect(16, 24, 265, 20));
    EXPECT_EQ(form->edtTrashBase->geometry(), QRect(16, 104, 265, 20));
    EXPECT_TRUE(form->edtTrashBase->isReadOnly());
    EXPECT_EQ(form->lblFile->buddy(), form->edtFile);
    EXPECT_EQ(form->lblFolder->buddy(), form->edtFolder);
    EXPECT_EQ(form->lblTrash->buddy(), form->edtTrash);
    EXPECT_EQ(form->FolderDlg->Comment(), "Select Output Folder");
    EXPECT_EQ(form->Ini->FileName(), "");
    EXPECT_TRUE(form->font().families().contains("IPAPGothic"));
    EXPECT_EQ(form->font().pixelSize(), 12);
    EXPECT_FALSE(form->windowIcon().isNull());
    const QPoint offCentre = form->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    EXPECT_FALSE(form->lblOpenFolder->isVisibleTo(form.get()));
}

TEST_F(MainFormTest, FocusMovesInTheWindowsOrder) {
    auto form = MakeForm();
    const std::vector<QWidget*> order = {form->edtFile,      form->btnFile,      form->edtFolder,
                                         form->btnFolder,    form->edtTrash,     form->rdgModeItem0,
                                         form->rdgModeItem1, form->rdgModeItem2, form->cmbBuffer,
                                         form->btnStart,     form->btnAbort,     form->btnClose};
    // The chain also holds the parts of compound controls; keep ours.
    std::vector<QWidget*> chain;
    QWidget* w = order.front();
    do {
        if (std::find(order.begin(), order.end(), w) != order.end()) chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != order.front() && chain.size() <= order.size());
    EXPECT_EQ(chain, order);
}

TEST_F(MainFormTest, OutputFolderFollowsTheInputFile) {
    struct TCase {
        const char* Folder;
        const char* File;
        const char* Expected;
    };
    const TCase cases[] = {
        {"", "/mail/Sent.dbx", "/mail/Sent"},
        // Never the store itself.
        {"", "/mail/Sent", "/mail/Sent.salvaged"},
        {"/out/Inbox", "/mail/Sent", "/out/Sent.salvaged"},
        {"/out/Inbox", "/mail/Sent.dbx", "/out/Sent"},
        {"/out/", "/mail/Sent.dbx", "/out/Sent"},
        {"/out/Inbox.old", "/mail/Sent.dbx", "/out/Sent"},
        // A folder in the root: no doubled separator.
        {"/Inbox", "/mail/Sent.dbx", "/Sent"},
    };
    for (const auto& c : cases) {
        auto form = MakeForm();
        form->edtFolder->SetFileName(c.Folder);
        form->edtFile->SetFileName(c.File);
        EXPECT_EQ(form->edtFolder->FileName(), c.Expected) << c.Folder << " " << c.File;
        EXPECT_EQ(form->edtTrashBase->FileName(), c.Expected);
    }
}

TEST_F(MainFormTest, AFileDroppedOnTheOutputBoxStandsForItsFolder) {
    std::filesystem::create_directories(work.Path() / "x");
    const std::string file = work / "x/y.txt";
    testing::WriteFileBytes(file, "y");
    auto form = MakeForm();

    form->edtFolder->DropFiles({file});
    EXPECT_EQ(form->edtFolder->FileName(), work / "x");
    EXPECT_EQ(form->edtTrashBase->FileName(), work / "x");

    const std::string folder = work.Path().string();
    form->edtFolder->DropFiles({folder});
    EXPECT_EQ(form->edtFolder->FileName(), folder);
}

TEST_F(MainFormTest, StartRefusesWhatItCannotUseAndChangesNothing) {
    std::filesystem::create_directories(work.Path() / "folder.dbx");
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 1);
    const QString noFile = "File doesn't exist\r\n\r\n\"%1\"";
    const QString badBuffer = "The buffer must be a whole number of KB from 1 to 5000.\r\n\r\n\"%1\"";
    struct TCase {
        std::string File;
        const char* Buffer;
        QString Message;
    };
    const TCase cases[] = {
        {"", "10", noFile.arg("")},
        {work / "absent.dbx", "10", noFile.arg(QString::fromStdString(work / "absent.dbx"))},
        {work / "folder.dbx", "10", noFile.arg(QString::fromStdString(work / "folder.dbx"))},
        {store, "", badBuffer.arg("")},
        {store, "0", badBuffer.arg("0")},
        {store, "5001", badBuffer.arg("5001")},
        {store, "64.5", badBuffer.arg("64.5")},
        {store, "-5", badBuffer.arg("-5")},
        {store, "0x10", badBuffer.arg("0x10")},
        {store, "1 0", badBuffer.arg("1 0")},
        {store, "KB", badBuffer.arg("KB")},
    };
    for (const auto& c : cases) {
        auto form = MakeForm();
        form->edtFile->SetFileName(c.File);
        form->cmbBuffer->setEditText(c.Buffer);
        form->edtTrash->clear();
        dialogs.Shown.clear();
        form->btnStartClick();
        ASSERT_EQ(dialogs.Shown.size(), 1u) << c.File << " " << c.Buffer;
        EXPECT_EQ(dialogs.Shown[0].Kind, "error");
        EXPECT_EQ(dialogs.Shown[0].Text, c.Message);
        EXPECT_EQ(form->ScanThread, nullptr);
        EXPECT_TRUE(form->btnStart->isEnabled());
        EXPECT_EQ(form->lblStatus1->text(), "");
        EXPECT_EQ(form->edtTrash->text(), "") << "nothing else changes";
    }
}

TEST_F(MainFormTest, StartHandsTheSettingsToTheWorker) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 1);
    struct TCase {
        const char* Name;
        std::function<void(TMainForm&)> Arrange;
        std::int32_t BufferSize;
        engine::TScanMode ScanMode;
        std::string Mbox = "";
    };
    constexpr auto kShallow = engine::TScanMode::Shallow;
    const TCase cases[] = {
        {"default item", [](TMainForm&) {}, 10 * 1024, kShallow},
        {"item 5000", [](TMainForm& f) { f.cmbBuffer->setCurrentIndex(7); }, 5'120'000, kShallow},
        {"typed 64",
         [](TMainForm& f) {
             f.cmbBuffer->lineEdit()->selectAll();
             QTest::keyClicks(f.cmbBuffer->lineEdit(), "64");
         },
         64 * 1024, kShallow},
        {"typed like an item", [](TMainForm& f) { f.cmbBuffer->setEditText("500"); }, 500 * 1024, kShallow},
        {"typed with blanks", [](TMainForm& f) { f.cmbBuffer->setEditText(" 1 "); }, 1024, kShallow},
        {"bottom mode", [](TMainForm& f) { f.rdgModeItem1->setChecked(true); }, 10 * 1024, engine::TScanMode::Bottom},
        {"deep mode", [](TMainForm& f) { f.rdgModeItem2->setChecked(true); }, 10 * 1024, engine::TScanMode::Deep},
        {"an mbox file", [](TMainForm& f) { f.actMbox->trigger(); }, 10 * 1024, kShallow, work / "Inbox/Inbox.mbox"},
    };
    for (const auto& c : cases) {
        auto form = MakeForm();
        form->edtFile->SetFileName(store);
        c.Arrange(*form);
        std::int32_t bufferSize = 0;
        engine::TScanMode scanMode = engine::TScanMode::Grid;
        bool report = false;
        std::string mbox = "unset";
        form->OnScanCreated = [&](TDBXScanThread& worker) {
            bufferSize = worker.Settings().BufferSize;
            scanMode = worker.Settings().Mode;
            report = worker.Settings().Report;
            mbox = worker.Settings().Mbox;
        };
        form->btnStartClick();
        EXPECT_EQ(bufferSize, c.BufferSize) << c.Name;
        EXPECT_EQ(scanMode, c.ScanMode) << c.Name;
        EXPECT_TRUE(report) << c.Name;
        EXPECT_EQ(mbox, c.Mbox) << c.Name;
        EXPECT_FALSE(form->btnStart->isEnabled());
        EXPECT_TRUE(form->btnAbort->isEnabled());
        EXPECT_EQ(form->ProgressBar->maximum(), 1000) << "the bar shows thousandths of the whole scan";
        ASSERT_TRUE(WaitForScanEnd(*form)) << c.Name;
    }
}

TEST_F(MainFormTest, EmptyBoxesAtStartFallBackToTheirDefaults) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 1);
    auto form = MakeForm();
    form->edtFile->SetFileName(store);
    form->edtFolder->SetFileName("");
    form->edtTrash->clear();
    std::string outputDir;
    std::string trashDir;
    form->OnScanCreated = [&](TDBXScanThread& worker) {
        outputDir = worker.OutputDir();
        trashDir = worker.TrashDir();
    };
    form->btnStartClick();
    EXPECT_EQ(form->edtTrash->text(), "trash");
    EXPECT_EQ(trashDir, "trash");
    EXPECT_EQ(outputDir, work / "Inbox");
    EXPECT_EQ(form->edtFolder->FileName(), "") << "the box itself is not changed";
    EXPECT_EQ(form->lblStatus1->text(), "Now scanning...");
    ASSERT_TRUE(WaitForScanEnd(*form));
}

TEST_F(MainFormTest, StartUsesWhatTheBoxesShowThoughOneStillHasTheFocus) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 1);
    const std::string typedFolder = work / "typed";
    struct TCase {
        const char* Name;
        std::function<void(TMainForm&)> Act;
        std::string Output;
        std::int32_t BufferSize;
    };
    auto type = [](QWidget* box, const std::string& text, QKeyCombination key) {
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(box, QString::fromStdString(text));
        QTest::keyClick(box, key.key(), key.keyboardModifiers());
    };
    const TCase cases[] = {
        {"store typed, Alt+S", [&](TMainForm& f) { type(f.edtFile, store, Qt::AltModifier | Qt::Key_S); },
         work / "Inbox", 10 * 1024},
        {"store typed, Enter", [&](TMainForm& f) { type(f.edtFile, store, QKeyCombination(Qt::Key_Return)); },
         work / "Inbox", 10 * 1024},
        {"output folder typed, Alt+S",
         [&](TMainForm& f) {
             f.edtFile->SetFileName(store);
             f.edtFolder->setFocus(Qt::TabFocusReason);
             f.edtFolder->selectAll();
             type(f.edtFolder, typedFolder, Qt::AltModifier | Qt::Key_S);
         },
         typedFolder, 10 * 1024},
        {"Enter in the trash box",
         [&](TMainForm& f) {
             f.edtFile->SetFileName(store);
             type(f.edtTrash, "", QKeyCombination(Qt::Key_Enter));
         },
         work / "Inbox", 10 * 1024},
        {"buffer typed, Enter",
         [&](TMainForm& f) {
             f.edtFile->SetFileName(store);
             f.cmbBuffer->lineEdit()->selectAll();
             type(f.cmbBuffer->lineEdit(), "64", QKeyCombination(Qt::Key_Return));
         },
         work / "Inbox", 64 * 1024},
    };
    for (const auto& c : cases) {
        auto form = MakeForm();
        Activate(*form);
        std::string source;
        std::string output;
        std::int32_t bufferSize = 0;
        form->OnScanCreated = [&](TDBXScanThread& worker) {
            source = worker.Settings().Source;
            output = worker.OutputDir();
            bufferSize = worker.Settings().BufferSize;
        };
        dialogs.Shown.clear();
        c.Act(*form);
        // An access key clicks its button a moment later, as a user sees it pressed.
        WaitUntil([&] { return !source.empty() || !dialogs.Shown.empty(); }, 5000);
        EXPECT_TRUE(dialogs.Shown.empty()) << c.Name << ": " << (dialogs.Shown.empty() ? "" : dialogs.Shown[0].Text.toStdString());
        EXPECT_EQ(source, store) << c.Name;
        EXPECT_EQ(output, c.Output) << c.Name;
        EXPECT_EQ(form->edtTrashBase->FileName(), c.Output) << c.Name << ": the mirror follows first";
        EXPECT_EQ(bufferSize, c.BufferSize) << c.Name;
        ASSERT_TRUE(WaitForScanEnd(*form)) << c.Name;
    }
}

TEST_F(MainFormTest, FocusIsOnAbortDuringAScanAndOnStartAfterIt) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 2);
    auto form = MakeForm();
    Activate(*form);
    form->edtFile->SetFileName(store);
    TScanGate gate;
    testing::HoldAtFirstFind(*form, gate);
    form->btnStart->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->btnStart, Qt::Key_Space);
    ASSERT_TRUE(WaitUntil([&] { return gate.Arrived.load() > 0; }));
    EXPECT_EQ(form->focusWidget(), form->btnAbort);
    gate.Open = true;
    ASSERT_TRUE(WaitForScanEnd(*form));
    EXPECT_EQ(form->focusWidget(), form->btnStart);

    // The next Space starts the next scan; it does not close the window.
    QTest::keyClick(form->focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->btnStart->isEnabled());
    ASSERT_TRUE(WaitForScanEnd(*form));
}

TEST_F(MainFormTest, EachFindShowsItsAddress) {
    struct TCase {
        std::uint32_t Address;
        const char* Shown;
    };
    const TCase cases[] = {{0x2AD4, "0x2AD4"}, {0x10, "0x0010"}, {0x12345, "0x12345"}, {0xFFFFFFFF, "0xFFFFFFFF"}};
    auto form = MakeForm();
    int count = 0;
    for (const auto& c : cases) {
        form->ScanFound(c.Address);
        EXPECT_EQ(form->lblStatus1->text(), "Found data in address :");
        EXPECT_EQ(form->lblStatus2->text(), c.Shown);
        EXPECT_EQ(form->lblStatus2->x(), form->lblStatus1->x() + form->lblStatus1->width() + 10);
        EXPECT_EQ(form->FoundCount, ++count);
    }
}

TEST_F(MainFormTest, AWholeScanWritesEveryMessageAndCountsIt) {
    struct TCase {
        int Mail;
        int Trash;
    };
    for (const TCase c : {TCase{3, 1}, TCase{0, 0}}) {
        const int messages = c.Mail + c.Trash;
        const std::string store = work / ("Store" + std::to_string(messages) + ".dbx");
        const std::vector<std::uint32_t> offsets = WriteStore(store, c.Mail, c.Trash);
        auto form = MakeForm();
        form->show();
        form->edtFile->SetFileName(store);
        int progressSeen = 0;
        QObject::connect(form->ProgressBar, &QProgressBar::valueChanged, [&](int v) {
            if (v > 0) ++progressSeen;
        });
        std::vector<QUrl> opened;
        form->OpenUrl = [&](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));

        EXPECT_EQ(form->lblStatus1->text(), QString("%1 files found").arg(messages));
        EXPECT_EQ(form->lblStatus2->text(), QString("(%1 mail, %2 trash)").arg(c.Mail).arg(c.Trash));
        EXPECT_EQ(form->lblStatus2->x(), form->lblStatus1->x() + form->lblStatus1->width() + 10);
        EXPECT_EQ(form->ProgressBar->value(), 0);
        EXPECT_TRUE(form->ProgressBar->isTextVisible());
        EXPECT_TRUE(QRegularExpression("^Finished in 0:0\\d$").match(form->ProgressBar->text()).hasMatch())
            << form->ProgressBar->text().toStdString();
        EXPECT_FALSE(form->btnAbort->isEnabled());
        EXPECT_TRUE(dialogs.Shown.empty());
        EXPECT_GT(progressSeen, 0);
        std::vector<std::string> expected;
        for (std::uint32_t offset : offsets) expected.push_back(engine::MessageFileName(offset, 0));
        const std::string out = form->edtFolder->FileName();
        EXPECT_EQ(out, work / ("Store" + std::to_string(messages)));
        // The report is written whatever was found, so there is always a
        // folder to open, holding it.
        EXPECT_TRUE(form->lblOpenFolder->isVisible());
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(out) / "report.json"));
        if (messages > 0) {
            std::vector<std::string> written = testing::ListMessageFiles(out);
            for (const std::string& name : testing::ListFiles(std::filesystem::path(out) / "trash")) written.push_back(name);
            std::sort(written.begin(), written.end());
            EXPECT_EQ(written, expected);
            EXPECT_EQ(testing::ReadFileBytes(std::filesystem::path(out) / expected[0]), texts[0]);
            EXPECT_EQ(form->lblOpenFolder->toolTip().toStdString(), out);
            QTest::mouseClick(form->lblOpenFolder, Qt::LeftButton, Qt::NoModifier, QPoint(3, form->lblOpenFolder->height() / 2));
            EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(out))});
        }
        texts.clear();
    }
}

TEST_F(MainFormTest, AScanThatCouldNotFinishIsReportedAfterTheCount) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 2);
    const std::string blocker = work / "file";
    testing::WriteFileBytes(blocker, "x");

    {
        // The output folder cannot be made under a file.
        auto form = MakeForm();
        form->edtFile->SetFileName(store);
        form->edtFolder->SetFileName(blocker + "/out");
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        EXPECT_EQ(form->lblStatus1->text(), "0 files found");
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, "error");
        EXPECT_TRUE(dialogs.Shown[0].Text.startsWith("The scan ended early"));
        EXPECT_TRUE(dialogs.Shown[0].Text.contains("Cannot create the folder")) << dialogs.Shown[0].Text.toStdString();
    }
    dialogs.Shown.clear();
    {
        // Messages for the trash, whose folder a file stands in the way of:
        // each is named with its offset and reason.
        const TTempDir elsewhere;
        tools::TStoreBuilder notes(true);
        const std::uint32_t first = notes.AddMessage(tools::MakeMailText(1, 300, false));
        const std::uint32_t second = notes.AddMessage(tools::MakeMailText(2, 300, false));
        notes.WriteTo(elsewhere / "Notes.dbx");
        std::filesystem::create_directories(elsewhere.Path() / "Notes");
        testing::WriteFileBytes(elsewhere.Path() / "Notes" / "trash", "in the way");
        auto form = MakeForm();
        form->edtFile->SetFileName(elsewhere / "Notes.dbx");
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        const QString text = dialogs.Shown[0].Text;
        EXPECT_TRUE(text.startsWith("2 messages could not be written:\r\n\r\n")) << text.toStdString();
        for (std::uint32_t at : {first, second}) {
            const QString line = "\n0x" + QString("%1").arg(at, 8, 16, QChar('0')).toUpper() + ": Cannot create the folder";
            EXPECT_TRUE(text.contains(line)) << text.toStdString();
        }
    }
    dialogs.Shown.clear();
    {
        // A trash folder outside the output folder is refused, here as on
        // the command line.
        auto form = MakeForm();
        form->edtFile->SetFileName(store);
        form->edtTrash->setText("..");
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        EXPECT_EQ(form->lblStatus1->text(), "0 files found");
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_TRUE(dialogs.Shown[0].Text.contains("The trash folder must be named by a single folder name"))
            << dialogs.Shown[0].Text.toStdString();
        EXPECT_EQ(testing::ListFiles(work.Path()), (std::vector<std::string>{"Inbox.dbx", "file"}));
    }
    dialogs.Shown.clear();
    {
        // Another holder keeps the store locked.
        platform::TUnsharedReadFile lock(store);
        auto form = MakeForm();
        form->edtFile->SetFileName(store);
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        EXPECT_EQ(form->lblStatus1->text(), "0 files found");
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_TRUE(dialogs.Shown[0].Text.startsWith("The scan ended early"));
    }
    dialogs.Shown.clear();
    {
        // A folder stands where the mbox file should go: the scan is refused
        // before it writes anything, not after the whole scan.
        std::filesystem::create_directories(std::filesystem::path(work / "Inbox") / "Inbox.mbox");
        auto form = MakeForm();
        form->edtFile->SetFileName(store);
        form->actMbox->trigger();
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        EXPECT_EQ(form->lblStatus1->text(), "0 files found");
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_TRUE(dialogs.Shown[0].Text.startsWith("The scan ended early")) << dialogs.Shown[0].Text.toStdString();
        EXPECT_TRUE(dialogs.Shown[0].Text.contains("Inbox.mbox\": a folder stands there"))
            << dialogs.Shown[0].Text.toStdString();
    }
}

// A file of another scan under a message's name is kept, the message written
// beside it, and the window says so, as it says what a scan cut short left,
// that a file without the store's signature may be none, and how much of
// the store the disk could not read.
TEST_F(MainFormTest, WhatTheUserShouldKnowOfAScanIsSaidAfterIt) {
    const std::string store = work / "Inbox.dbx";
    const std::vector<std::uint32_t> offsets = WriteStore(store, 2);
    const std::filesystem::path out = work.Path() / "Inbox";
    std::filesystem::create_directories(out);
    for (std::uint32_t offset : offsets) {
        testing::WriteFileBytes(out / engine::MessageFileName(offset, 0), "other");
    }
    testing::WriteFileBytes(out / "00002AD4.eml.k3j9x0qa.partial", "cut short");
    testing::WriteFileBytes(work / "notes.txt", std::string(5000, 'x'));
    struct TCase {
        std::string store;
        QString says;
        // Areas of the store the disk cannot read: offset and length.
        std::vector<std::pair<std::uint64_t, std::uint64_t>> unreadable = {};
    };
    std::vector<TCase> cases = {
        {store, "2 messages met files of the same name with other bytes in the output folder. The files there "
                "were kept and the messages written beside them, as NAME~1.eml (~2, ...).\r\n\r\nTemporary files "
                "left by an earlier scan that was cut short were removed: 1."},
        {work / "notes.txt", "No mail store signature was found at the start of the file, and no message in it: it "
                             "may not be a mail store."},
    };
#ifdef TERVALINE_FAULT_INJECTION
    const std::string failing = work / "Failing.dbx";
    WriteStore(failing, 3);
    cases.push_back({failing,
                     "The disk could not read parts of the store, so the messages that lay there are lost or cut "
                     "short. Unreadable bytes: 1536; places: 2.",
                     {{0x3000, 1024}, {0x4000, 512}}});
#endif
    for (const TCase& c : cases) {
#ifdef TERVALINE_FAULT_INJECTION
        std::vector<testing::TUnreadableDisk::TArea> bad;
        for (auto [offset, length] : c.unreadable) bad.push_back({offset, length});
        const testing::TUnreadableDisk disk(c.store, bad);
#endif
        dialogs.Shown.clear();
        auto form = MakeForm();
        form->edtFile->SetFileName(c.store);
        form->btnStartClick();
        ASSERT_TRUE(WaitForScanEnd(*form));
        ASSERT_EQ(dialogs.Shown.size(), 1u) << c.store;
        EXPECT_EQ(dialogs.Shown[0].Kind, "information");
        EXPECT_EQ(dialogs.Shown[0].Text, c.says);
    }
    EXPECT_EQ(testing::ReadFileBytes(out / engine::MessageFileName(offsets[0], 0)), "other");
    EXPECT_EQ(testing::ListMessageFiles(out).size(), 4u);
}

TEST_F(MainFormTest, AbortStopsAfterTheChainBeingCarved) {
    const std::string store = work / "Inbox.dbx";
    // More than the writer's queue holds, so that the search is still
    // under way when Abort is pressed.
    WriteStore(store, 3500);
    auto form = MakeForm();
    TScanGate gate;
    ASSERT_TRUE(StartHeldAtFirstFind(*form, store, gate));

    ASSERT_TRUE(WaitUntil([&] { return form->FoundCount > 0; }));
    const int reached = form->ProgressBar->value();
    EXPECT_GT(reached, 0) << "the bar has passed the find";
    form->btnAbortClick();
    EXPECT_FALSE(form->btnStart->isEnabled()) << "the buttons wait for the worker's end";
    ASSERT_TRUE(WaitForScanEnd(*form));
    // What the search had found before the stop is written, and counted.
    const std::size_t written = testing::ListMessageFiles(form->edtFolder->FileName()).size();
    EXPECT_GT(written, 1u);
    EXPECT_LT(written, 3500u);
    EXPECT_EQ(form->lblStatus1->text(), QString("%1 files found").arg(written));
    EXPECT_EQ(form->lblStatus2->text(), QString("(%1 mail, 0 trash)").arg(written));
    // The bar stays where the search stopped, and says so.
    const int stopped = form->ProgressBar->value();
    EXPECT_GE(stopped, reached);
    EXPECT_LT(stopped, form->ProgressBar->maximum());
    EXPECT_TRUE(form->ProgressBar->isTextVisible());
    EXPECT_TRUE(form->ProgressBar->text().startsWith(
        QString("Stopped at %1% after 0:0").arg(100 * stopped / form->ProgressBar->maximum())))
        << form->ProgressBar->text().toStdString();

    // The next scan starts with a bar of its own.
    testing::HoldAtFirstFind(*form, gate);
    form->btnStartClick();
    EXPECT_FALSE(form->ProgressBar->isTextVisible());
    EXPECT_EQ(form->ProgressBar->value(), 0);
    ASSERT_TRUE(WaitForScanEnd(*form));
}

TEST_F(MainFormTest, ClosingDuringAScanAsksFirst) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 4);

    // No: the window and the scan go on.
    {
        auto form = MakeForm();
        form->show();
        TScanGate gate;
        ASSERT_TRUE(StartHeldAtFirstFind(*form, store, gate));
        dialogs.Answer = false;
        EXPECT_FALSE(form->close());
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, "question");
        EXPECT_EQ(dialogs.Shown[0].Caption, "Tervaline");
        EXPECT_EQ(dialogs.Shown[0].Text, "Do you really want to stop?");
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->Closing);
        gate.Open = true;
        ASSERT_TRUE(WaitForScanEnd(*form));
        EXPECT_EQ(form->lblStatus1->text(), "4 files found");
    }
    dialogs.Shown.clear();
    // Yes: the worker writes what it had found, the status stays as it was
    // and the worker is gone.
    {
        std::filesystem::remove_all(work / "Inbox");
        auto form = MakeForm();
        form->show();
        TScanGate gate;
        ASSERT_TRUE(StartHeldAtFirstFind(*form, store, gate));
        const QString status1 = form->lblStatus1->text();
        const QString status2 = form->lblStatus2->text();
        dialogs.Answer = true;
        EXPECT_TRUE(form->close());
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(form->Closing);
        EXPECT_EQ(form->ScanThread, nullptr);
        EXPECT_EQ(form->lblStatus1->text(), status1);
        EXPECT_EQ(form->lblStatus2->text(), status2);
        EXPECT_EQ(dialogs.Shown.size(), 1u) << "no outcome box after a confirmed close";
        const auto files = testing::ListMessageFiles(work / "Inbox");
        ASSERT_FALSE(files.empty());
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(testing::ReadFileBytes(std::filesystem::path(work / "Inbox") / files[i]), texts[i]) << files[i];
        }
    }
    dialogs.Shown.clear();
    // Unanswered while the scan ends by itself: the question goes, and the
    // window closes as asked.
    {
        auto form = MakeForm();
        form->show();
        TScanGate gate;
        ASSERT_TRUE(StartHeldAtFirstFind(*form, store, gate));
        dialogs.Answer = false;
        dialogs.WhileAsking = [&] {
            gate.Open = true;
            WaitUntil([&] { return dialogs.Dismissed; }, 5000);
        };
        EXPECT_TRUE(form->close());
        dialogs.WhileAsking = nullptr;
        EXPECT_TRUE(dialogs.Dismissed);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->ScanThread, nullptr);
        EXPECT_EQ(testing::ListMessageFiles(work / "Inbox").size(), 4u) << "the scan ran to its end";
    }
}

TEST_F(MainFormTest, ClosingWhileIdleAsksNothing) {
    auto form = MakeForm();
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.Shown.empty());
    EXPECT_TRUE(form->Closing);
}

TEST_F(MainFormTest, AWindowDestroyedMidScanWaitsForItsWorker) {
    const std::string store = work / "Inbox.dbx";
    WriteStore(store, 3);
    auto form = MakeForm();
    TScanGate gate;
    ASSERT_TRUE(StartHeldAtFirstFind(*form, store, gate));
    form.reset();  // the leak checker sees a worker that was never released
    // Nothing posted by the worker may be left to reach the window.
    QCoreApplication::processEvents();
    const std::size_t written = testing::ListMessageFiles(work / "Inbox").size();
    EXPECT_GE(written, 1u);
    EXPECT_LE(written, 3u);
}

TEST_F(MainFormTest, BrowsingForTheInputFileOffersTheFilter) {
    auto form = MakeForm();
    form->edtFile->SetFileName("/mail/Old.dbx");
    dialogs.Chosen = QString("/mail/Sent.dbx");
    form->btnFileClick();
    EXPECT_EQ(dialogs.OfferedFile, "/mail/Old.dbx");
    EXPECT_EQ(dialogs.OfferedFilters, QStringList({"DBX File (*.dbx) (*.dbx)", "All Types (*.*) (*)"}));
    EXPECT_EQ(form->edtFile->FileName(), "/mail/Sent.dbx");
    EXPECT_EQ(form->edtFolder->FileName(), "/mail/Sent");

    dialogs.Chosen.reset();
    form->btnFileClick();
    EXPECT_EQ(form->edtFile->FileName(), "/mail/Sent.dbx") << "cancel changes nothing";
}

TEST_F(MainFormTest, BrowsingForTheOutputFolderStartsAtTheNearestFolderThere) {
    std::filesystem::create_directories(work.Path() / "a");
    std::filesystem::create_directories(work.Path() / "b");
    testing::WriteFileBytes(work.Path() / "a/file.txt", "x");
    struct TCase {
        std::string Box;
        std::string Opened;
    };
    const TCase cases[] = {
        {work / "a", work / "a"},
        // A folder the scan is yet to make.
        {work / "a/new/deeper", work / "a"},
        {work / "a/file.txt", work / "a"},
    };
    for (const auto& c : cases) {
        auto form = MakeForm();
        form->edtFolder->SetFileName(c.Box);
        bool shown = false;
        QTimer::singleShot(0, [&] {
            components::TFolderBrowser* browser = form->FolderDlg->ActiveBrowser();
            if (browser == nullptr) return;
            shown = true;
            EXPECT_EQ(browser->Comment(), "Select Output Folder");
            EXPECT_EQ(browser->SelectedPath().toStdString(), c.Opened) << c.Box;
            browser->SelectFolder(QString::fromStdString(work / "b"));
            browser->accept();
        });
        form->btnFolderClick();
        ASSERT_TRUE(shown);
        EXPECT_EQ(form->edtFolder->FileName(), work / "b");
        EXPECT_EQ(form->edtTrashBase->FileName(), work / "b");
    }
}

}  // namespace
}  // namespace tervaline::app
