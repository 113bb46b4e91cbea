#include "components/FoldrDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "TempFolder.h"
#include "platform/CodePage.h"

namespace tervaline::components {
namespace {

using platform::TPathSyntax;

TEST(FoldrDlgTest, TrimsOneTrailingSeparatorExceptAtARoot) {
    struct TCase {
        TPathSyntax Syntax;
        const char* Path;
        const char* Expected;
    };
    const TCase cases[] = {
        {TPathSyntax::Windows, "C:\\", "C:\\"},
        {TPathSyntax::Windows, "C:\\Mail\\", "C:\\Mail"},
        {TPathSyntax::Windows, "C:\\Mail", "C:\\Mail"},
        {TPathSyntax::Windows, "\\\\server\\share\\", "\\\\server\\share"},
        // The last byte is the trail byte of a double-byte character.
        {TPathSyntax::Windows, "C:\\\x95\x5C", "C:\\\x95\x5C"},
        {TPathSyntax::Posix, "/", "/"},
        {TPathSyntax::Posix, "/home/ann/", "/home/ann"},
        {TPathSyntax::Posix, "/home/ann", "/home/ann"},
    };
    platform::TCodePageScope japanese(platform::kCodePage932);
    for (const auto& c : cases) EXPECT_EQ(TrimFolderPath(c.Syntax, c.Path), c.Expected) << c.Path;
}

TEST(FoldrDlgTest, FolderPathTakesOnlyExistingFolders) {
    test::TTempFolder folder;
    const std::string file = folder.Write("file.txt", "x");
    TFolderDlg dialog(nullptr);

    dialog.SetFolderPath(folder.Path() + "/");
    EXPECT_EQ(dialog.FolderPath(), folder.Path());
    dialog.SetFolderPath(folder / "absent");
    EXPECT_EQ(dialog.FolderPath(), folder.Path());
    dialog.SetFolderPath(file);
    EXPECT_EQ(dialog.FolderPath(), folder.Path());
    dialog.SetFolderPath("/");
    EXPECT_EQ(dialog.FolderPath(), "/");
}

// Runs Execute while Action drives the shown dialog.
bool ExecuteDriven(TFolderDlg& dialog, const std::function<void(TFolderBrowser&)>& action) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
        TFolderBrowser* browser = dialog.ActiveBrowser();
        if (browser == nullptr) return;
        driven = true;
        action(*browser);
        // Whatever the action did, the modal loop must end.
        if (browser->isVisible()) browser->reject();
    });
    const bool chosen = dialog.Execute();
    EXPECT_TRUE(driven) << "the dialog was not shown";
    EXPECT_EQ(dialog.ActiveBrowser(), nullptr);
    return chosen;
}

class FolderDlgExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder / "Mail");
        dialog.SetComment("Select Output Folder");
        dialog.SetFolderPath(folder.Path());
        ASSERT_EQ(dialog.FolderPath(), folder.Path());
    }

    test::TTempFolder folder;
    TFolderDlg dialog{nullptr};
};

TEST_F(FolderDlgExecuteTest, OkReturnsTheHighlightedFolder) {
    const bool chosen = ExecuteDriven(dialog, [&](TFolderBrowser& browser) {
        EXPECT_EQ(browser.Comment(), "Select Output Folder");
        // Opened on FolderPath, with its full path in the status line.
        EXPECT_EQ(browser.SelectedPath().toStdString(), folder.Path());
        EXPECT_EQ(browser.StatusText().toStdString(), folder.Path());
        ASSERT_TRUE(browser.SelectFolder(QString::fromStdString(folder / "Mail")));
        EXPECT_EQ(browser.StatusText().toStdString(), folder / "Mail");
        browser.accept();
    });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog.FolderPath(), folder / "Mail");
    EXPECT_EQ(dialog.FolderName(), "Mail");
}

TEST_F(FolderDlgExecuteTest, CancelChangesNothing) {
    dialog.SetButtonCaptions("&Ja", "Abbrechen");
    const bool chosen = ExecuteDriven(dialog, [&](TFolderBrowser& browser) {
        EXPECT_EQ(browser.ButtonCaption(true), "&Ja");
        EXPECT_EQ(browser.ButtonCaption(false), "Abbrechen");
        browser.SelectFolder(QString::fromStdString(folder / "Mail"));
        browser.reject();
    });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(dialog.FolderPath(), folder.Path());
    EXPECT_EQ(dialog.FolderName(), "");
}

TEST_F(FolderDlgExecuteTest, ChoosingTheRootKeepsItsSeparator) {
    const bool chosen = ExecuteDriven(dialog, [](TFolderBrowser& browser) {
        ASSERT_TRUE(browser.SelectFolder("/"));
        browser.accept();
    });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog.FolderPath(), "/");
}

TEST_F(FolderDlgExecuteTest, OpensWithoutTheFolderWhenItIsGone) {
    const std::string gone = folder / "Mail";
    dialog.SetFolderPath(gone);
    std::filesystem::remove(gone);
    const bool chosen = ExecuteDriven(dialog, [&](TFolderBrowser& browser) {
        EXPECT_NE(browser.SelectedPath().toStdString(), gone);
        EXPECT_EQ(browser.StatusText(), browser.SelectedPath());
        browser.reject();
    });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(dialog.FolderPath(), gone);
}

TEST(FolderBrowserTest, OffersOnlyFoldersForOk) {
    test::TTempFolder folder;
    const std::string file = folder.Write("file.txt", "x");
    TFolderBrowser browser;
    QPushButton* ok = browser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(browser.StatusText().isEmpty());

    EXPECT_FALSE(browser.SelectFolder(QString::fromStdString(file)));
    EXPECT_FALSE(browser.SelectFolder(QString::fromStdString(folder / "absent")));
    EXPECT_FALSE(ok->isEnabled());

    ASSERT_TRUE(browser.SelectFolder(QString::fromStdString(folder.Path())));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(browser.SelectedPath().toStdString(), folder.Path());
    EXPECT_EQ(browser.SelectedDisplayName().toStdString(), std::filesystem::path(folder.Path()).filename());
}

}  // namespace
}  // namespace tervaline::components
