#include "tests/winapp/WindowSession.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

namespace tervaline::testing {

namespace {

struct TBoxSearch {
    HWND Box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM search) {
    wchar_t className[16] = L"";
    if (::IsWindowVisible(window) && ::GetClassNameW(window, className, 16) > 0 &&
        std::wstring_view(className) == L"#32770") {
        reinterpret_cast<TBoxSearch*>(search)->Box = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = L"";
    ::SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

TWindowSession::TWindowSession(ui::TMainWindowModel::TEnvironment environment) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    window_ = std::make_unique<winapp::TMainWindow>(std::move(environment));
}

TWindowSession::~TWindowSession() = default;

void TWindowSession::Run(const std::function<void()>& script) {
    window_->Show();
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread driver([&] {
        try {
            // The display makes the window active a moment after it is shown,
            // and only then does the focus stand where the window put it.
            const HWND window = window_->Handle();
            WaitUntil([window] { return ::GetForegroundWindow() == window && ::GetFocus() != nullptr; }, 10s);
            std::this_thread::sleep_for(300ms);
            script();
        } catch (...) {
            failure = std::current_exception();
        }
        // Straight to the end, past any question a close would put.
        HWND window = window_->Handle();
        window_->Dispatcher().Post([window] { ::DestroyWindow(window); });
        finished = true;
    });
    winapp::RunMessageLoop(*window_);
    // A script may go on asking the window's thread after the window has
    // closed itself: its calls run until the script is through.
    while (!finished.load()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        std::this_thread::sleep_for(10ms);
    }
    driver.join();
    if (failure) std::rethrow_exception(failure);
}

bool TWindowSession::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!OnWindow(condition)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::wstring TWindowSession::Text(winapp::TControlId id) { return WindowText(Control(id)); }

HWND TWindowSession::Focus() {
    return OnWindow([] { return ::GetFocus(); });
}

void TWindowSession::Type(winapp::TControlId box, const std::wstring& text) {
    HWND target = Control(box);
    // A drop-down box hands its focus on to its own edit field.
    const HWND field = OnWindow([target] {
        ::SetFocus(target);
        ::SendMessageW(::GetFocus(), EM_SETSEL, 0, -1);
        return ::GetFocus();
    });
    ::PostMessageW(field, WM_KEYDOWN, VK_DELETE, 1);
    for (const wchar_t c : text) ::PostMessageW(field, WM_CHAR, c, 1);
    // Posted messages arrive in order: a call behind them runs once they all have.
    OnWindow([] { return 0; });
}

void TWindowSession::Key(UINT key) {
    const HWND focus = Focus();
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 1 | (3u << 30));
    OnWindow([] { return 0; });
}

void TWindowSession::AltLetter(wchar_t letter) {
    // A letter typed with Alt held reaches the window as a system character.
    constexpr LPARAM kAltDown = 1 | (1 << 29);
    ::PostMessageW(Focus(), WM_SYSCHAR, letter, kAltDown);
    OnWindow([] { return 0; });
}

void TWindowSession::Click(winapp::TControlId button) { ::PostMessageW(Control(button), BM_CLICK, 0, 0); }

void TWindowSession::Drop(winapp::TControlId box, const std::wstring& path) {
    // DROPFILES, then the paths, each ended by a zero, and one more zero.
    const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    // The box hands the memory back to the system (DragFinish).
    ::PostMessageW(Control(box), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    OnWindow([] { return 0; });
}

HWND TWindowSession::WaitForBox(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        TBoxSearch search;
        ::EnumThreadWindows(thread_, &FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.Box != nullptr) return search.Box;
        if (std::chrono::steady_clock::now() > deadline) return nullptr;
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring TWindowSession::BoxText(HWND box) {
    // The message box's text is its static control 0xFFFF.
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

std::wstring TWindowSession::ButtonText(HWND box, int id) { return WindowText(::GetDlgItem(box, id)); }

int TWindowSession::DefaultButton(HWND box) {
    for (const int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        const HWND button = ::GetDlgItem(box, id);
        if (button != nullptr && (::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return id;
    }
    return 0;
}

void TWindowSession::Answer(HWND box, int id) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (::IsWindow(box) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
}

}  // namespace tervaline::testing
