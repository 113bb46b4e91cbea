#include "app/UserDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace tervaline::app {

namespace {

// Message texts are composed with CR LF line breaks; a label breaks at LF
// alone and would show the CR as a stray glyph.
QString ForDisplay(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

}  // namespace

void TQtUserDialogs::ShowError(QWidget* parent, const QString& caption, const QString& text) {
    ShowBox(QMessageBox::Critical, parent, caption, text);
}

void TQtUserDialogs::ShowInformation(QWidget* parent, const QString& caption, const QString& text) {
    ShowBox(QMessageBox::Information, parent, caption, text);
}

void TQtUserDialogs::ShowBox(int icon, QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, ForDisplay(text), QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(Texts.Ok);
    box.exec();
}

bool TQtUserDialogs::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, ForDisplay(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(Texts.Yes);
    box.button(QMessageBox::No)->setText(Texts.No);
    // Enter must not throw away what the user asked about.
    box.setDefaultButton(QMessageBox::No);
    question_ = &box;
    const int answer = box.exec();
    question_ = nullptr;
    return answer == QMessageBox::Yes;
}

void TQtUserDialogs::DismissQuestion() {
    if (question_ != nullptr) question_->done(QMessageBox::No);
}

std::optional<QString> TQtUserDialogs::ChooseFile(QWidget* parent, const QString& fileName,
                                                  const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions already name their patterns, as the user wrote them.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(nameFilters);
    dialog.setLabelText(QFileDialog::LookIn, Texts.LookIn);
    dialog.setLabelText(QFileDialog::FileName, Texts.FileName);
    dialog.setLabelText(QFileDialog::FileType, Texts.FileType);
    dialog.setLabelText(QFileDialog::Accept, Texts.Open);
    dialog.setLabelText(QFileDialog::Reject, Texts.Cancel);
    const QFileInfo info(fileName);
    if (info.isDir()) {
        dialog.setDirectory(fileName);
    } else if (!fileName.isEmpty()) {
        if (info.dir().exists()) dialog.setDirectory(info.dir());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

}  // namespace tervaline::app
