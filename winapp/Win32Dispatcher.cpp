#include "winapp/Win32Dispatcher.h"

#include <exception>
#include <utility>

#include "platform/win/WideText.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

namespace {

constexpr wchar_t kClassName[] = L"TervalineDispatcher";
constexpr UINT kRunCalls = WM_APP + 1;

void RegisterClassOnce(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ThrowLastError("RegisterClassExW");
    }
}

}  // namespace

TWin32Dispatcher::TWin32Dispatcher() {
    RegisterClassOnce(&WindowProc);
    // A message-only window: never shown, never enumerated, but its thread's
    // every message loop delivers to it.
    window_.Reset(
        ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr), this));
    if (!window_) ThrowLastError("CreateWindowExW");
}

TWin32Dispatcher::~TWin32Dispatcher() { ::SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0); }

void TWin32Dispatcher::Post(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
    if (!signalled_) {
        signalled_ = true;
        ::PostMessageW(window_.Get(), kRunCalls, 0, 0);
    }
}

void TWin32Dispatcher::RunPending() {
    std::size_t due = 0;
    {
        std::lock_guard lock(mutex_);
        signalled_ = false;
        due = queue_.size();
    }
    // Only the calls queued before this message: those posted meanwhile
    // come with a message of their own, behind the user's clicks and keys,
    // which a busy scan must never starve. One at a time off the shared
    // queue: a call that opens a message box lets the box's own loop run
    // the calls behind it, still in order.
    for (; due > 0; --due) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
    }
}

LRESULT CALLBACK TWin32Dispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == kRunCalls) {
        auto* self = reinterpret_cast<TWin32Dispatcher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        try {
            if (self != nullptr) self->RunPending();
        } catch (const std::exception& e) {
            // No exception may cross the system's frames: the user is told,
            // and the calls behind it still run.
            ::PostMessageW(window, kRunCalls, 0, 0);
            ::MessageBoxW(nullptr, platform::WideText(e.what()).c_str(), L"Tervaline", MB_OK | MB_ICONERROR);
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tervaline::winapp
