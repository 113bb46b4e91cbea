// TMainForm: the program's one window. The user names the damaged store,
// the output folder and the trash subfolder, picks the scan mode and the
// buffer size, starts and aborts a scan and watches its progress, each find
// and the final count. A language file beside the program may replace its
// texts and font.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/InterfaceTexts.h"
#include "app/ProgressScale.h"
#include "app/QtDispatcher.h"
#include "app/UserDialogs.h"
#include "engine/ScanSettings.h"
#include "components/Font.h"
#include "platform/Component.h"

class QCloseEvent;
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
class TIniGT;
}  // namespace tervaline::components

namespace tervaline::engine {
class TDBXScanThread;
}

namespace tervaline::app {

// Size in bytes of the file at Path, 0 when there is no such file.
std::uint64_t FileSizeOf(const std::string& path);

// The face the window asks for first, and the installed faces that stand in
// for it, in order, where it is missing.
QStringList WindowFontFamilies(const QString& face);

class TMainForm : public QWidget {
    Q_OBJECT

public:
    // AppDir is where the language file is looked for (the program's own
    // folder, with a trailing separator); Dialogs answers the window's
    // questions, the toolkit's own dialogs when null.
    explicit TMainForm(std::string appDir, TUserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    // Runs FormDestroy; a scan still running is stopped and waited for.
    ~TMainForm() override;

    // Controls defined with the window.
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

    // Created by FormCreate.
    components::TIniGT* Ini = nullptr;
    std::string AppDir;
    QString DefaultTrash;
    engine::TDBXScanThread* ScanThread = nullptr;
    bool Closing = false;
    components::TFolderDlg* FolderDlg = nullptr;
    components::TDropEdit* edtFile = nullptr;
    components::TDropEdit* edtFolder = nullptr;
    components::TDropEdit* edtTrashBase = nullptr;
    std::int32_t FoundCount = 0;

    // The six message texts and the open-file dialog's filter.
    TInterfaceTexts Texts;
    QString OpenDialogFilter = QStringLiteral("DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*");

    // Called with each new worker before it starts; lets tests pace a scan.
    std::function<void(engine::TDBXScanThread&)> OnScanCreated;

    // The index of the buffer list item that is selected, or -1 once text
    // has been typed into the box.
    int SelectedBufferItem() const;

    std::string FindLanguageFile() const;
    void LoadLanguage();

    void btnFileClick();
    void btnFolderClick();
    void edtFileFilenameChange();
    void edtFolderFileDrop();
    void edtFolderFilenameChange();
    void btnStartClick();
    void btnAbortClick();
    void btnCloseClick();
    void FormCloseQuery(bool& canClose);
    void ScanFound(std::uint64_t address);
    void ScanProgress(std::uint64_t position);
    void ScanDone(const engine::TScanOutcome& outcome);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void ApplyWindowFont(const components::TFontAttributes& font);
    void LayOutModeItems();
    void SetLabelText(QLabel* label, const QString& text);
    void SetRightAlignedLabelText(QLabel* label, int rightEdge, const QString& text);
    void ShowScanOutcome(const engine::TScanOutcome& outcome);
    void StopAndReleaseWorker();

    TQtDispatcher dispatcher_;
    // Owner of the non-visual components and of the worker's pattern
    // objects; outlives every worker because the window waits for them.
    platform::TComponent components_{nullptr};
    std::unique_ptr<TUserDialogs> ownDialogs_;
    TUserDialogs* dialogs_;
    components::TFontAttributes windowFont_;
    TProgressScale progressScale_;
    bool bufferEdited_ = false;
};

}  // namespace tervaline::app
