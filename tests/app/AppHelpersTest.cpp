#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/CaptionFit.h"
#include "app/OpenDialogFilter.h"
#include "app/UserDialogs.h"

namespace tervaline::app {
namespace {

TEST(OpenDialogFilterTest, WindowsPairsBecomeToolkitFilters) {
    struct TCase {
        const char* Filter;
        QStringList Expected;
    };
    const TCase cases[] = {
        {"DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*", {"DBX File (*.dbx) (*.dbx)", "All Types (*.*) (*)"}},
        {"Mail|*.dbx;*.mbx", {"Mail (*.dbx *.mbx)"}},
        {"Mail|*.dbx|Everything", {"Mail (*.dbx)", "Everything (*)"}},
        {"|*.dbx", {"*.dbx (*.dbx)"}},
        {"", {}},
        {"Mail|*.dbx||", {"Mail (*.dbx)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ToQtNameFilters(c.Filter), c.Expected) << c.Filter;
}

TEST(ShareWidthTest, EqualColumnsWhenAllFitElseTheWiderGiveWay) {
    struct TCase {
        std::vector<int> Wanted;
        int Room;
        std::vector<int> Expected;
    };
    const TCase cases[] = {
        {{80, 90}, 194, {97, 97}},
        {{60, 120}, 194, {67, 127}},
        {{100, 120}, 200, {100, 100}},
        {{50, 100, 120}, 200, {50, 75, 75}},
        {{100}, 80, {80}},
        {{}, 100, {}},
    };
    for (const auto& c : cases) {
        const std::vector<int> shares = ShareWidth(c.Wanted, c.Room);
        EXPECT_EQ(shares, c.Expected) << c.Room;
        int total = 0;
        for (int share : shares) total += share;
        EXPECT_LE(total, c.Room);
    }
}

TEST(UserDialogsTest, DialogsSpeakTheWindowsLanguageAndAQuestionCanBeWithdrawn) {
    TQtUserDialogs dialogs;
    dialogs.Texts = {"Gut", "&Ja", "&Nein", "Lieber nicht", "Ö&ffnen", "Suchen in:", "Datei&name:", "Dateityp:"};
    QStringList captions;
    auto readButtons = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return false;
        for (QAbstractButton* button : box->buttons()) captions.append(button->text());
        if (box->buttons().size() > 1 && box->defaultButton() != nullptr) {
            captions.append("default " + box->defaultButton()->text());
        }
        return true;
    };
    QTimer::singleShot(0, [&] {
        if (readButtons()) dialogs.DismissQuestion();
    });
    EXPECT_FALSE(dialogs.AskYesNo(nullptr, "Tervaline", "Stop?")) << "withdrawn counts as No";
    captions.sort();
    EXPECT_EQ(captions, QStringList({"&Ja", "&Nein", "default &Nein"}));

    captions.clear();
    QTimer::singleShot(0, [&] {
        if (readButtons()) QApplication::activeModalWidget()->close();
    });
    dialogs.ShowError(nullptr, "Tervaline", "Wrong");
    EXPECT_EQ(captions, QStringList({"Gut"}));

    // The toolkit's own open-file dialog; a desktop's replaces it only where
    // a platform theme is loaded, which the tests never load.
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType, QFileDialog::Accept,
                           QFileDialog::Reject}) {
            labels.append(dialog->labelText(label));
        }
        dialog->reject();
    });
    EXPECT_FALSE(dialogs.ChooseFile(nullptr, QString(), {"DBX (*.dbx)"}));
    EXPECT_EQ(labels, QStringList({"Suchen in:", "Datei&name:", "Dateityp:", "Ö&ffnen", "Lieber nicht"}));
    dialogs.DismissQuestion();  // with no question open, nothing to do
}

}  // namespace
}  // namespace tervaline::app
