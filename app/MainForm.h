// TMainForm: the program's one window, a view over ui::TMainWindowModel.
// It shows what the model says (texts, enabled controls, status, bar,
// boxes) and hands the model what the user does; every rule of the window
// is the model's, shared with the Windows window.
#pragma once

#include <QFont>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "app/QtDispatcher.h"
#include "app/UserDialogs.h"
#include "platform/Component.h"
#include "ui/MainWindowModel.h"

class QAction;
class QCloseEvent;
class QKeyEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tervaline::components {
class TDropEdit;
class TFolderDlg;
}  // namespace tervaline::components

namespace tervaline::app {

// The face the window asks for first, and the installed faces that stand in
// for it, in order, where it is missing.
QStringList WindowFontFamilies(const QString& face);

// Whether some installed font has a glyph for every character of Text.
bool CanDrawText(std::string_view utf8);

class TMainForm : public QWidget {
    Q_OBJECT

public:
    // AppDir is where the language file is looked for (the program's own
    // folder); Dialogs answers the window's questions, the toolkit's own
    // dialogs when null; MakeScan, for tests, makes the scans.
    explicit TMainForm(std::string appDir, TUserDialogs* dialogs = nullptr, QWidget* parent = nullptr,
                       ui::TMainWindowModel::TScanFactory makeScan = nullptr);
    // A scan still running is stopped and waited for.
    ~TMainForm() override;

    // Hands a folder to the desktop's file manager; tests look instead.
    std::function<bool(const QUrl&)> OpenUrl;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TMainFormPeer;  // tests

    void CreateControls();
    void ConnectControls();
    void ApplyLanguage();
    void Refresh();
    void ShowStatus(const ui::TStatusView& status);
    void ShowMessages();
    void ApplyFocus();
    void FitCaptions();
    void LayOutModeItems();
    void FitStatusLine();
    void SetLabelText(QLabel* label, const QString& text);
    void SetRightAlignedLabelText(QLabel* label, int rightEdge, const QString& text);
    void CentreOnScreen();

    void BrowseStore();
    void BrowseOutput();
    void StartClicked();
    void OpenOutputFolder();

    QLabel* lblFile;
    QPushButton* btnFile;
    QLabel* lblFolder;
    QPushButton* btnFolder;
    QLabel* lblTrash;
    QLabel* lblDelimit;
    QLineEdit* edtTrash;
    QGroupBox* rdgMode;
    QRadioButton* rdgModeItem0;
    QRadioButton* rdgModeItem1;
    QRadioButton* rdgModeItem2;
    QLabel* lblBuffer;
    QComboBox* cmbBuffer;
    QLabel* lblUnit;
    QLabel* lblStatusFix;
    QLabel* lblStatus1;
    QLabel* lblStatus2;
    QProgressBar* ProgressBar;
    QPushButton* btnStart;
    QPushButton* btnAbort;
    QPushButton* btnClose;
    QLabel* lblOpenFolder;
    // The window's context menu: choices few scans need, kept out of the
    // fixed layout's way.
    QAction* actMbox;
    QAction* actMboxAll;
    QAction* actHashStore;
    components::TDropEdit* edtFile = nullptr;
    components::TDropEdit* edtFolder = nullptr;
    components::TDropEdit* edtTrashBase = nullptr;
    components::TFolderDlg* FolderDlg = nullptr;

    TQtDispatcher dispatcher_;
    // Owner of the folder dialog component.
    platform::TComponent components_{nullptr};
    std::unique_ptr<TUserDialogs> ownDialogs_;
    TUserDialogs* dialogs_;
    // The Close button's own font, which the window's font passes by.
    QFont closeFont_;
    // Set while the window puts the model's values into its boxes, whose
    // change notifications must then not go back to it.
    bool refreshing_ = false;
    bool asking_ = false;
    std::unique_ptr<ui::TMainWindowModel> model_;
};

}  // namespace tervaline::app
