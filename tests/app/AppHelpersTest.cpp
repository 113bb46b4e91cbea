#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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
