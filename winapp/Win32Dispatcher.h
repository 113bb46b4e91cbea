// TWin32Dispatcher: carries a scan's notifications to the thread of the
// window, through a message posted to a hidden window of that thread, so
// that they run between the user's own messages, also while a message box
// or a file dialog has its own loop running.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

#include "platform/Dispatcher.h"
#include "winapp/OwnedHandle.h"

namespace tervaline::winapp {

class TWin32Dispatcher final : public platform::TDispatcher {
public:
    // Calls run on the thread this dispatcher is made on, which must pump
    // messages.
    TWin32Dispatcher();
    // Calls still queued are dropped, never run.
    ~TWin32Dispatcher() override;
    TWin32Dispatcher(const TWin32Dispatcher&) = delete;
    TWin32Dispatcher& operator=(const TWin32Dispatcher&) = delete;

    // Thread-safe.
    void Post(std::function<void()> call) override;

    // Runs the calls queued so far, on the owning thread, without waiting
    // for their message.
    void RunPending();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    // Set while a message that will drain the queue is on its way, so that
    // a burst of posts costs one message.
    bool signalled_ = false;
    TWindow window_;
};

}  // namespace tervaline::winapp
