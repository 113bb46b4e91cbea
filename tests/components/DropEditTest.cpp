#include "components/DropEdit.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tervaline::components {
namespace {

const std::string kLongPath = "/home/ann/mail/archive/2004/stores/Inbox.dbx";

// A box in an active window beside a second control that can take the focus.
class DropEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(400, 100);
        box->setGeometry(10, 10, 150, 24);
        other->setGeometry(10, 50, 150, 24);
        other->setFocus();
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        box->OnChange = [this](TDropEdit&) { events.push_back("change"); };
        box->OnFilenameChange = [this](TDropEdit& sender) {
            EXPECT_EQ(&sender, box);
            events.push_back("filename:" + sender.FileName());
        };
        box->OnFileDrop = [this](TDropEdit&) { events.push_back("drop"); };
    }

    std::string Shown() const { return box->text().toStdString(); }
    std::string Compact(const std::string& path) const {
        return MinimizeFileName(path, QFontMetrics(QApplication::font()), box->contentsRect().width() - 10);
    }

    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // A drag enters the box before anything can be dropped on it.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &drop);
    }

    QWidget form;
    TDropEdit* box = new TDropEdit(&form);
    QLineEdit* other = new QLineEdit(&form);
    std::vector<std::string> events;
};

TEST_F(DropEditTest, ShowsTheCompactedPathOnlyWhileAnotherControlHasTheFocus) {
    box->SetFileName(kLongPath);
    ASSERT_NE(box->MinFileName(), kLongPath) << "the box must be too narrow for the path";
    EXPECT_EQ(box->MinFileName(), Compact(kLongPath));
    EXPECT_EQ(Shown(), box->MinFileName());
    EXPECT_EQ(box->toolTip().toStdString(), kLongPath);
    // Taking the shown text now would take the compacted form.
    box->TakeShownText();
    EXPECT_EQ(box->FileName(), kLongPath);

    box->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Shown(), kLongPath);
    EXPECT_EQ(box->cursorPosition(), static_cast<int>(kLongPath.size()));
    EXPECT_FALSE(box->hasSelectedText());

    // Assigned while focused: the full path stays in view.
    box->SetFileName(kLongPath + ".bak");
    EXPECT_EQ(Shown(), kLongPath + ".bak");

    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Shown(), box->MinFileName());
    EXPECT_EQ(box->FileName(), kLongPath + ".bak");

    box->SetFileName("/tmp/a.dbx");
    EXPECT_EQ(box->toolTip(), "") << "a path that fits needs no tooltip";
}

TEST_F(DropEditTest, TypedTextBecomesTheFileNameWhenTheFocusLeaves) {
    box->SetFileName(kLongPath);
    box->setFocus(Qt::TabFocusReason);
    events.clear();
    other->setFocus(Qt::TabFocusReason);
    // Tabbing through without typing: the text changes twice, the name never.
    EXPECT_EQ(events, (std::vector<std::string>{"change"}));

    events.clear();
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClicks(box, "/tmp/typed.dbx");
    events.clear();
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->FileName(), "/tmp/typed.dbx");
    EXPECT_EQ(events, (std::vector<std::string>{"filename:/tmp/typed.dbx"}));

    // Taken while the focus stays: the same name, the same event, once.
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(box, ".bak");
    events.clear();
    box->TakeShownText();
    box->TakeShownText();
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(box->FileName(), "/tmp/typed.dbx.bak");
    EXPECT_EQ(events, (std::vector<std::string>{"filename:/tmp/typed.dbx.bak"}));
}

TEST_F(DropEditTest, FocusInAndOutChangeTheShownTextTwice) {
    box->SetFileName(kLongPath);
    events.clear();
    box->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(events, (std::vector<std::string>{"change", "change"}));
}

TEST_F(DropEditTest, WithoutAutoMinimizeTheFullPathIsAlwaysShown) {
    box->SetFileName(kLongPath);
    events.clear();
    box->SetAutoMinimize(false);
    EXPECT_EQ(Shown(), kLongPath);
    box->SetFileName(kLongPath + "x");
    EXPECT_EQ(Shown(), kLongPath + "x");
    EXPECT_EQ(box->MinFileName(), Compact(kLongPath + "x"));
    box->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Shown(), kLongPath + "x");

    box->SetAutoMinimize(true);
    EXPECT_EQ(Shown(), box->MinFileName());
    // Toggling the mode is no change of name.
    EXPECT_EQ(std::count(events.begin(), events.end(), "filename:" + kLongPath + "x"), 1);
}

TEST_F(DropEditTest, OnFilenameChangeFiresForEveryByteDifference) {
    box->SetFileName("/tmp/a.dbx");
    box->SetFileName("/tmp/a.dbx");
    box->SetFileName("/tmp/A.dbx");
    box->SetFileName("");
    EXPECT_EQ(events, (std::vector<std::string>{"change", "filename:/tmp/a.dbx", "change", "filename:/tmp/A.dbx",
                                                "change", "filename:"}));
    EXPECT_EQ(box->MinFileName(), "");
    EXPECT_EQ(Shown(), "");
}

TEST_F(DropEditTest, TakesTheFirstOfSeveralDroppedFiles) {
    box->setReadOnly(true);
    Drop({QUrl::fromLocalFile(QString::fromStdString(kLongPath)), QUrl::fromLocalFile("/tmp/second"),
          QUrl::fromLocalFile("/tmp/third")});
    EXPECT_EQ(box->FileName(), kLongPath);
    EXPECT_EQ(Shown(), box->MinFileName());
    EXPECT_EQ(events, (std::vector<std::string>{"change", "filename:" + kLongPath, "drop"}));

    // The same file again is still a drop, but no change of name.
    events.clear();
    Drop({QUrl::fromLocalFile(QString::fromStdString(kLongPath))});
    EXPECT_EQ(events, (std::vector<std::string>{"drop"}));
}

TEST_F(DropEditTest, DropOnTheFocusedBoxShowsTheFullPath) {
    box->setFocus(Qt::TabFocusReason);
    Drop({QUrl::fromLocalFile(QString::fromStdString(kLongPath))});
    EXPECT_EQ(Shown(), kLongPath);
}

TEST_F(DropEditTest, DropWithoutFilesChangesNothing) {
    box->SetFileName("/tmp/kept");
    events.clear();
    box->DropFiles({});
    Drop({QUrl("https://example.invalid/page")});
    EXPECT_EQ(box->FileName(), "/tmp/kept");
    EXPECT_TRUE(events.empty());
}

TEST_F(DropEditTest, ClickThatGivesTheFocusPutsTheCaretAtTheEnd) {
    box->SetFileName(kLongPath);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(4, box->height() / 2));
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(Shown(), kLongPath);
    EXPECT_EQ(box->cursorPosition(), static_cast<int>(kLongPath.size()));
    EXPECT_FALSE(box->FocusedByClick());

    // A second click in the focused box places the caret where it falls.
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(4, box->height() / 2));
    EXPECT_LT(box->cursorPosition(), static_cast<int>(kLongPath.size()));
}

TEST_F(DropEditTest, AnEditSurvivesASwitchToAnotherWindow) {
    box->SetFileName(kLongPath);
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(box, ".bak");
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_EQ(Shown(), kLongPath + ".bak");
    EXPECT_EQ(box->FileName(), kLongPath);

    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(Shown(), kLongPath + ".bak");
    EXPECT_EQ(box->cursorPosition(), static_cast<int>(kLongPath.size() + 4));
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->FileName(), kLongPath + ".bak");
}

TEST(DropEditFirstFocusTest, FocusOnTheWindowsFirstActivationShowsTheFullPath) {
    QWidget form;
    auto* box = new TDropEdit(&form);
    box->setGeometry(10, 10, 80, 24);
    box->SetFileName(kLongPath);
    ASSERT_EQ(box->text().toStdString(), box->MinFileName());
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(box->text().toStdString(), kLongPath);
}

TEST(DropEditWithoutFormTest, ShowsTheFullPath) {
    TDropEdit box;
    box.resize(60, 24);
    box.SetFileName(kLongPath);
    EXPECT_EQ(box.text().toStdString(), kLongPath);
    EXPECT_NE(box.MinFileName(), kLongPath);
}

}  // namespace
}  // namespace tervaline::components
