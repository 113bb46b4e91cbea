// TMainForm: the program's one window. The user names the damaged store,
// the output folder and the trash subfolder, picks the scan mode and the
// buffer size, starts and aborts a scan and watches its progress, each find
// and how the scan ended, and opens the output folder afterwards. A language
// file beside the program may replace its texts and font.
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/InterfaceTexts.h"
#include "app/LanguageFile.h"
#include "app/QtDispatcher.h"
#include "app/UserDialogs.h"
#include "engine/DbxScan.h"
#include "engine/FoundMessage.h"
#include "engine/ScanSettings.h"
#include "components/Font.h"
#include "platform/Component.h"

class QAction;
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

namespace tervaline::app {

// Size in bytes of the file at Path, 0 when there is no such file.
std::uint64_t FileSizeOf(const std::string& path);

// The face the window asks for first, and the installed faces that stand in
// for it, in order, where it is missing.
QStringList WindowFontFamilies(const QString& face);

// The read buffer in KB that Text asks for: a whole number from 1 to 5000,
// blanks around it allowed; nothing for anything else.
std::optional<int> BufferKilobytes(const QString& text);

// A scan's duration as m:ss, or h:mm:ss from an hour on.
QString ElapsedText(std::int64_t milliseconds);

// The folder a scan of Store writes to when the output box holds Typed:
// Store without its extension when Typed is empty, and a relative Typed
// taken from the store's folder.
std::string OutputFolderFor(const std::string& store, const std::string& typed);

// Path itself when it is an existing folder, else its nearest existing
// parent; empty when none exists or Path is relative.
std::string NearestExistingFolder(const std::string& path);

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
    // Shown after a scan whose output folder exists.
    QLabel* lblOpenFolder;
    // In the window's context menu: also gather the output folder's
    // messages into OUTPUT/NAME.mbox. Off at start.
    QAction* actMbox;

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
    // Of FoundCount, the messages that went to the trash subfolder.
    std::int32_t TrashCount = 0;
    // The messages of this scan that could not be written, as many as a
    // box can show.
    std::vector<engine::TUnwrittenMessage> Unwritten;

    // The message texts and button captions, and the open-file dialog's filter.
    TInterfaceTexts Texts;
    QString OpenDialogFilter = QStringLiteral("DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*");

    // For tests: called with each new scan's events before the scan is
    // made, to pace it, and with the scan before it starts.
    std::function<void(engine::TScanEvents&)> WrapScanEvents;
    std::function<void(engine::TDBXScanThread&)> OnScanCreated;
    // Hands a folder to the desktop's file manager; tests look instead.
    std::function<bool(const QUrl&)> OpenUrl;

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
    void ScanFound(std::uint64_t address, bool inTrash = false);
    void ScanUnwritten(const engine::TUnwrittenMessage& message);
    void ScanProgress(const engine::TScanProgress& progress);
    void ScanDone(const engine::TScanOutcome& outcome);
    // The status line and the progress bar at the end of a scan, from the
    // counts, whether the window asked it to stop, and how long it took.
    void ShowScanEnd(bool stopped, std::int64_t elapsedMs);
    void OpenOutputFolder();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void CentreOnScreen();
    void ApplyWindowFont(const components::TFontAttributes& font);
    QString ReadLanguageText(const char* key, const QString& current) const;
    void ApplyDialogTexts();
    void FitCaptions();
    void LayOutModeItems();
    engine::TScanMode SelectedScanMode() const;
    void FitStatusLine();
    void SetLabelText(QLabel* label, const QString& text);
    void SetRightAlignedLabelText(QLabel* label, int rightEdge, const QString& text);
    void RefuseBuffer();
    void ShowScanStarted(const std::string& outputDir);
    bool ConfirmStop();
    void ShowScanOutcome(const engine::TScanOutcome& outcome);
    void StopAndReleaseWorker();

    TQtDispatcher dispatcher_;
    // Owner of the non-visual components and of the worker's pattern
    // objects; outlives every worker because the window waits for them.
    platform::TComponent components_{nullptr};
    std::unique_ptr<TUserDialogs> ownDialogs_;
    TUserDialogs* dialogs_;
    components::TFontAttributes windowFont_;
    // The Close button's own font, which the window's font passes by.
    QFont closeFont_;
    TLanguageEncoding languageEncoding_{TLanguageEncoding::Utf8};
    QElapsedTimer scanTimer_;
    std::string outputDir_;
    bool stopRequested_ = false;
    // Set while the close question is open, and when the end of the scan
    // answered it.
    bool askingToStop_ = false;
    bool stopQuestionDismissed_ = false;
};

}  // namespace tervaline::app
