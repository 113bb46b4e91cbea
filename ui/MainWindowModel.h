// TMainWindowModel: everything the program's window decides, with no
// toolkit in it, so that each window (Qt on Linux, Win32 on Windows) only
// shows what the model says and hands it what the user does.
//
// A view reads the model's plain values (UTF-8 texts, flags, a bar from 0
// to 1000), calls an action for each thing the user does, and refreshes
// itself whenever OnChanged is called; then it shows the boxes TakeMessages
// hands it and moves the focus where TakeFocus says. The model runs the
// scans itself: their notifications reach it on the thread of Dispatcher,
// which must be the view's own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DbxScan.h"
#include "engine/ScanMode.h"
#include "platform/Dispatcher.h"
#include "platform/Thread.h"
#include "ui/ControlStates.h"
#include "ui/InterfaceTexts.h"
#include "ui/ScanPhase.h"
#include "ui/StatusView.h"
#include "ui/StopQuestion.h"
#include "ui/TextCoverage.h"
#include "ui/UserMessage.h"
#include "ui/WindowFont.h"

namespace tervaline::ui {


// Controls the model may ask the view to focus.
enum class TFocusTarget { StoreBox, BufferBox, Start, Abort };

// What the view does when the user closes the window.
enum class TCloseStep {
    Close,        // nothing runs: close now
    AskToStop,    // a scan runs: put StopQuestion(), then AnswerStopQuestion
};

class TMainWindowModel {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    // Makes the worker of one scan, not yet started; may raise
    // platform::EFileError for settings it refuses.
    using TScanFactory = std::function<std::unique_ptr<platform::TThread>(
        platform::TDispatcher&, engine::TScanSettings, engine::TScanEvents)>;

    struct TEnvironment {
        // Where the language file is looked for: the program's own folder.
        std::string ProgramFolder;
        // The file the choices are remembered in between runs; empty: none
        // (RememberedChoicesPath gives the usual one).
        std::string SettingsFile;
        // Tells whether a text can be drawn in some installed font; empty:
        // every text can.
        TCanDraw CanDraw;
        // Time for the status line; empty: the steady clock.
        TClock Clock;
        // Empty: the engine's own scan (TDBXScanThread). Tests pace scans
        // through one of their own.
        TScanFactory MakeScan;
    };

    TMainWindowModel(platform::TDispatcher& dispatcher, TEnvironment environment);
    // A scan still running is stopped and waited for; nothing is called back.
    ~TMainWindowModel();
    TMainWindowModel(const TMainWindowModel&) = delete;
    TMainWindowModel& operator=(const TMainWindowModel&) = delete;

    // Called, on the view's thread, after every change of what it shows.
    std::function<void()> OnChanged;

    // --- Language ---
    const TInterfaceTexts& Texts() const;
    const TWindowFont& Font() const;
    // The language file in use; empty when the texts are built in.
    const std::string& LanguageFile() const;

    // --- What the boxes hold ---
    const std::string& StorePath() const;
    const std::string& OutputFolder() const;
    const std::string& TrashName() const;
    // The path the trash folder box is shown inside of.
    const std::string& TrashBase() const;
    engine::TScanMode Mode() const;
    const std::string& BufferText() const;
    bool WriteMbox() const;
    bool MboxAll() const;
    bool HashStore() const;

    // --- What the user does ---
    // The store box: typed (on leaving it or on Start), dropped or chosen.
    void SetStorePath(const std::string& path);
    // The output box: typed or picked; the folder holds for later stores.
    void SetOutputFolder(const std::string& folder);
    // A file dropped on the output box stands for its folder.
    void DropOnOutputFolder(const std::string& path);
    void SetTrashName(const std::string& name);
    void SetMode(engine::TScanMode mode);
    void SetBufferText(const std::string& text);
    void SetWriteMbox(bool on);
    void SetMboxAll(bool on);
    void SetHashStore(bool on);
    // Start with what the boxes hold: a refusal becomes an error box and a
    // focus request.
    void Start();
    void Abort();
    TCloseStep RequestClose();
    TStopQuestion StopQuestion() const;
    // The user's answer; true when the window is to close now (also when the
    // scan ended by itself while the question was open). A running scan is
    // stopped and waited for first, and nothing of it is shown.
    bool AnswerStopQuestion(bool stop);
    // True while the stop question is open but the scan it asks about has
    // ended: the view withdraws the question, which then counts as Yes.
    bool StopQuestionMoot() const;
    // The desktop could not open OpenFolderPath().
    void OpenFolderFailed();

    // --- What the window shows ---
    TScanPhase Phase() const;
    TControlStates Controls() const;
    TStatusView Status() const;
    // The folder the "Open output folder" link opens; shown when Controls().OpenFolder.
    const std::string& OpenFolderPath() const;
    // Where the open-file dialog starts: the store named, else the folder
    // of the last store scanned; may be empty.
    std::string StorePickerStart() const;
    // Where the folder dialog starts: the nearest existing folder of the
    // output folder; may be empty.
    std::string OutputPickerStart() const;
    // The boxes to show, oldest first; each is handed out once.
    std::vector<TUserMessage> TakeMessages();
    std::optional<TFocusTarget> TakeFocus();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

}  // namespace tervaline::ui
