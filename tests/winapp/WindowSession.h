// TWindowSession: the Windows window run as the program runs it, its
// messages pumped on the test's main thread, while a script on a second
// thread drives it the way a user does: keys and clicks posted to its
// controls, files dropped on its boxes, its message boxes answered.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <type_traits>

#include "ui/MainWindowModel.h"
#include "winapp/ComApartment.h"
#include "winapp/ControlId.h"
#include "winapp/MainWindow.h"

namespace tervaline::testing {

using namespace std::chrono_literals;

class TWindowSession {
public:
    explicit TWindowSession(ui::TMainWindowModel::TEnvironment environment);
    ~TWindowSession();

    // Shows the window and runs Script on a thread of its own while this
    // thread runs the window's messages; the window is destroyed when the
    // script returns, whatever it left open.
    void Run(const std::function<void()>& script);

    winapp::TMainWindow& Window() { return *window_; }
    HWND Control(winapp::TControlId id) { return window_->Control(id); }

    // Call's result, Call run on the window's thread between its messages.
    template <typename TCall>
    auto OnWindow(TCall call) -> std::invoke_result_t<TCall> {
        using TResult = std::invoke_result_t<TCall>;
        auto task = std::make_shared<std::packaged_task<TResult()>>(std::move(call));
        std::future<TResult> result = task->get_future();
        window_->Dispatcher().Post([task] { (*task)(); });
        return result.get();
    }
    // Polls Condition on the window's thread until it holds; false after Timeout.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 60s);

    // What a control shows, read as another program would.
    std::wstring Text(winapp::TControlId id);
    HWND Focus();
    // Focuses Box, selects what it holds and types Text over it.
    void Type(winapp::TControlId box, const std::wstring& text);
    // A key pressed and let go on the focused control.
    void Key(UINT key);
    // A letter typed with Alt held: a caption's access key.
    void AltLetter(wchar_t letter);
    void Click(winapp::TControlId button);
    // Files dropped on a control, as the desktop drops them.
    void Drop(winapp::TControlId box, const std::wstring& path);

    // The message box the window has put up, once it is there; null after Timeout.
    HWND WaitForBox(std::chrono::milliseconds timeout = 30s);
    // The box's text, a button's caption, and its default button.
    static std::wstring BoxText(HWND box);
    static std::wstring ButtonText(HWND box, int id);
    static int DefaultButton(HWND box);
    // Presses a button of the box and waits until the box is gone.
    void Answer(HWND box, int id);

private:
    winapp::TComApartment com_;
    std::unique_ptr<winapp::TMainWindow> window_;
    DWORD thread_ = ::GetCurrentThreadId();
};

}  // namespace tervaline::testing
