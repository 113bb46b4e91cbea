// TUserDialogs: the modal questions the window puts to the user (error and
// yes/no message boxes, the open-file dialog), behind one interface so that
// the window can run without anyone to answer them.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace tervaline::app {

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // An error message box with one OK button.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;

    // A question with Yes and No; true only for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;

    // The open-file dialog, starting at FileName and offering NameFilters
    // (the toolkit's "Description (patterns)" form); the chosen existing
    // file, or nothing when the user cancelled.
    virtual std::optional<QString> ChooseFile(QWidget* parent, const QString& fileName,
                                              const QStringList& nameFilters) = 0;
};

// The real dialogs of the toolkit.
class TQtUserDialogs final : public TUserDialogs {
public:
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<QString> ChooseFile(QWidget* parent, const QString& fileName,
                                      const QStringList& nameFilters) override;
};

}  // namespace tervaline::app
