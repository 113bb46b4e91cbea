// TMainWindow: the program's one window on Windows, a thin view over
// ui::TMainWindowModel. It shows what the model says (texts, boxes, the
// phase's enabled controls, the status line and bar), hands the model what
// the user does, and puts up the boxes and moves the focus the model asks
// for. It behaves as a dialog: Tab, the access keys of the captions, Enter
// to start and Escape to close, by way of IsDialogMessage in RunMessageLoop.
#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "ui/MainWindowModel.h"
#include "winapp/ControlId.h"
#include "winapp/MessageBoxes.h"
#include "winapp/OwnedHandle.h"
#include "winapp/Win32Dispatcher.h"
#include "winapp/WindowFonts.h"

namespace tervaline::winapp {

class TMainWindow {
public:
    // Makes the window, centred on the screen, hidden; Show puts it up with
    // the store box focused.
    explicit TMainWindow(ui::TMainWindowModel::TEnvironment environment);
    ~TMainWindow();
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;

    void Show(int showCommand = SW_SHOWNORMAL);

    HWND Handle() const { return window_.Get(); }
    HWND Control(TControlId id) const { return controls_[id - kStoreLabel]; }
    // True once the window is gone.
    bool Closed() const { return !window_; }
    ui::TMainWindowModel& Model() { return *model_; }
    // Runs calls on the window's thread, between its messages.
    TWin32Dispatcher& Dispatcher() { return dispatcher_; }
    // The resolution the window is laid out for, in dots per inch.
    int Dpi() const { return dpi_; }

    // Hands a folder to the desktop's file manager; true when it could.
    std::function<bool(const std::string& folder)> OpenFolder;

    // Handles the keys a dialog handles; true when Message was used.
    bool PreTranslate(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DropBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND MakeControl(const wchar_t* className, TControlId id, DWORD style, DWORD extendedStyle = 0);
    void ApplyTexts();
    void MakeFonts();
    void PlaceWindow(const RECT* suggested);

    // MainWindowLayout.cpp: where each control stands at the present
    // resolution, with the captions fitted into their room.
    int Scaled(int pixelsAt96) const;
    void LayOut();
    void LayOutLabel(TControlId id, int left, int top, int room);
    void LayOutRightAligned(TControlId id, int right, int top, int room);
    void LayOutButton(TControlId id, int left, int top, int width, int height);
    void LayOutModeChoice();
    void LayOutStatusLine();
    int CaptionWidth(TControlId id, HFONT font) const;

    void Refresh();
    void RefreshControls(const ui::TControlStates& states);
    void RefreshStatus();
    void RefreshToolTips();
    void QueueMessages();
    void ShowPendingMessages();
    void FocusControl(HWND control);
    void ApplyFocus(ui::TFocusTarget target);

    void OnCommand(int id, int code, HWND from);
    void CommitBoxes();
    void StartScan();
    void Close();
    void BrowseStore();
    void BrowseOutput();
    void OpenOutputFolder();
    void ShowContextMenu(LPARAM where);
    void Dropped(TControlId box, HDROP drop);
    std::wstring TextOf(TControlId id) const;
    void SetText(TControlId id, const std::wstring& text);

    // The dispatcher outlives the model, whose scans post to it until the
    // model has waited for them.
    TWin32Dispatcher dispatcher_;
    std::unique_ptr<ui::TMainWindowModel> model_;
    TWindow window_;
    // Children of window_, which destroys them with itself.
    std::array<HWND, kControlIdEnd - kStoreLabel> controls_{};
    // Owned by window_, which destroys it with itself too.
    HWND toolTips_ = nullptr;
    TIcon bigIcon_;
    TIcon smallIcon_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::unique_ptr<TWindowFonts> fonts_;
    // The Close button keeps the built-in font whatever the language file
    // says, as the window always had it.
    std::unique_ptr<TWindowFonts> closeFonts_;
    TMessageBoxes boxes_;
    std::deque<ui::TUserMessage> pending_;
    bool showPosted_ = false;
    bool refreshPosted_ = false;
    bool refreshing_ = false;
    bool askingToClose_ = false;
    // The control that had the focus when the window was last deactivated.
    HWND lastFocus_ = nullptr;
};

// Runs the thread's messages until the window is closed; the exit code.
int RunMessageLoop(TMainWindow& window);

}  // namespace tervaline::winapp
