// TUserDialogs: the modal questions the window puts to the user (error and
// yes/no message boxes, the open-file dialog), behind one interface so that
// the window can run without anyone to answer them.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QMessageBox;
class QWidget;

namespace tervaline::app {

// Captions of the message boxes' buttons and the open-file dialog's labels,
// in the window's language. A desktop that puts its own open-file dialog in
// place of the toolkit's shows that one in the desktop's language instead.
struct TDialogTexts {
    QString Ok = QStringLiteral("OK");
    QString Yes = QStringLiteral("&Yes");
    QString No = QStringLiteral("&No");
    QString Cancel = QStringLiteral("Cancel");
    QString Open = QStringLiteral("&Open");
    QString LookIn = QStringLiteral("Look in:");
    QString FileName = QStringLiteral("File &name:");
    QString FileType = QStringLiteral("Files of type:");
};

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // An error message box with one OK button.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A message box with one OK button for what the user should know.
    virtual void ShowInformation(QWidget* parent, const QString& caption, const QString& text) = 0;

    // A question with Yes and No, No the default; true only for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;

    // Closes the question AskYesNo is waiting on, if any, as if No had been
    // chosen: for a question that the course of events has answered.
    virtual void DismissQuestion() = 0;

    // The open-file dialog, starting at FileName (a file, or a folder to
    // look in) and offering NameFilters
    // (the toolkit's "Description (patterns)" form); the chosen existing
    // file, or nothing when the user cancelled.
    virtual std::optional<QString> ChooseFile(QWidget* parent, const QString& fileName,
                                              const QStringList& nameFilters) = 0;

    TDialogTexts Texts;
};

// The real dialogs of the toolkit.
class TQtUserDialogs final : public TUserDialogs {
public:
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    void DismissQuestion() override;
    std::optional<QString> ChooseFile(QWidget* parent, const QString& fileName,
                                      const QStringList& nameFilters) override;

private:
    // A box with one OK button and the QMessageBox::Icon given.
    void ShowBox(int icon, QWidget* parent, const QString& caption, const QString& text);

    // The question being asked; it lives on AskYesNo's stack.
    QPointer<QMessageBox> question_;
};

}  // namespace tervaline::app
