#include "winapp/MessageBoxes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win/WideText.h"
#include "winapp/OwnedHandle.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

namespace {

// What the hook does to the next box that comes up on this thread: the
// system's message box takes no captions for its buttons, so they are put
// on once it exists, before it is first drawn.
struct TPendingBox {
    std::vector<std::pair<int, std::wstring>> Captions;
    HWND* Box = nullptr;
};
thread_local TPendingBox* tPending = nullptr;

LRESULT CALLBACK CaptionButtons(int code, WPARAM wParam, LPARAM lParam) {
    const auto box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = L"";
    if (code == HCBT_ACTIVATE && tPending != nullptr && ::GetClassNameW(box, className, 16) > 0 &&
        std::wstring_view(className) == L"#32770") {
        for (const auto& [id, caption] : tPending->Captions) ::SetDlgItemTextW(box, id, caption.c_str());
        *tPending->Box = box;
        tPending = nullptr;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

int RunBox(HWND owner, const std::string& text, UINT style, TPendingBox pending) {
    tPending = &pending;
    THook hook(::SetWindowsHookExW(WH_CBT, &CaptionButtons, nullptr, ::GetCurrentThreadId()));
    if (!hook) {
        tPending = nullptr;
        ThrowLastError("SetWindowsHookExW");
    }
    const int answer =
        ::MessageBoxW(owner, platform::WideText(text).c_str(), platform::WideText(ui::kWindowCaption).c_str(), style);
    tPending = nullptr;
    *pending.Box = nullptr;
    if (answer == 0) ThrowLastError("MessageBoxW");
    return answer;
}

}  // namespace

void TMessageBoxes::Show(HWND owner, const ui::TUserMessage& message, const ui::TInterfaceTexts& texts) {
    const UINT icon = message.Kind == ui::TMessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    RunBox(owner, message.Text, MB_OK | icon, {{{IDOK, platform::WideText(texts.Ok)}}, &open_});
}

bool TMessageBoxes::Ask(HWND owner, const ui::TStopQuestion& question) {
    // No is the default: an Enter meant for something else must not end
    // the scan.
    const UINT defaultButton = question.NoIsDefault ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    const int answer =
        RunBox(owner, question.Text, MB_YESNO | MB_ICONQUESTION | defaultButton,
               {{{IDYES, platform::WideText(question.Yes)}, {IDNO, platform::WideText(question.No)}}, &open_});
    return answer == IDYES;
}

void TMessageBoxes::Withdraw() {
    if (open_ == nullptr || ::GetDlgItem(open_, IDYES) == nullptr) return;
    ::PostMessageW(open_, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(open_, IDYES)));
}

}  // namespace tervaline::winapp
