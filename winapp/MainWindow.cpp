#include "winapp/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <exception>
#include <utility>

#include "platform/PathSyntax.h"
#include "platform/win/WideText.h"
#include "ui/BufferSize.h"
#include "winapp/BarText.h"
#include "winapp/DroppedFiles.h"
#include "winapp/FilePickers.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

using platform::NarrowText;
using platform::WideText;

namespace {

constexpr wchar_t kClassName[] = L"TervalineWindow";
// Asks the window to put up the boxes the model handed it, from its own
// message loop rather than from inside a call into the model.
constexpr UINT kShowMessages = WM_APP + 2;
// Asks the window to show the model's latest state: a burst of changes, as
// a scan finding message after message makes, costs one refresh.
constexpr UINT kRefresh = WM_APP + 3;
// The icon in the program's resources.
constexpr int kIconResource = 1;

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ThrowLastError("RegisterClassExW");
    }
}

HICON LoadIconAt(int size) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                           size, size, LR_DEFAULTCOLOR));
}

bool ShellOpen(HWND owner, const std::string& folder) {
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner, L"open", WideText(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

engine::TScanMode ModeOf(int id) {
    if (id == kBottomMode) return engine::TScanMode::Bottom;
    if (id == kDeepMode) return engine::TScanMode::Deep;
    return engine::TScanMode::Shallow;
}

TControlId ModeButton(engine::TScanMode mode) {
    if (mode == engine::TScanMode::Bottom) return kBottomMode;
    if (mode == engine::TScanMode::Deep) return kDeepMode;
    return kShallowMode;
}

}  // namespace

TMainWindow::TMainWindow(ui::TMainWindowModel::TEnvironment environment)
    : model_(std::make_unique<ui::TMainWindowModel>(dispatcher_, std::move(environment))) {
    RegisterWindowClass(&WindowProc);
    // The window procedure takes the handle into window_ as it is made.
    if (::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, WideText(ui::kWindowCaption).c_str(),
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                          nullptr, nullptr, ::GetModuleHandleW(nullptr), this) == nullptr) {
        ThrowLastError("CreateWindowExW");
    }
    dpi_ = static_cast<int>(::GetDpiForWindow(window_.Get()));
    OpenFolder = [this](const std::string& folder) { return ShellOpen(window_.Get(), folder); };
    MakeFonts();
    CreateControls();
    ApplyTexts();
    PlaceWindow(nullptr);
    LayOut();
    lastFocus_ = Control(kStoreBox);
    model_->OnChanged = [this] {
        if (!refreshPosted_ && window_) refreshPosted_ = ::PostMessageW(window_.Get(), kRefresh, 0, 0) != FALSE;
    };
    Refresh();
}

TMainWindow::~TMainWindow() {
    model_->OnChanged = nullptr;
    if (window_) ::SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
}

void TMainWindow::Show(int showCommand) {
    ::ShowWindow(window_.Get(), showCommand);
    ::SetForegroundWindow(window_.Get());
    FocusControl(lastFocus_);
}

void TMainWindow::MakeFonts() {
    fonts_ = std::make_unique<TWindowFonts>(model_->Font(), dpi_);
    closeFonts_ = std::make_unique<TWindowFonts>(ui::TWindowFont{}, dpi_);
}

HWND TMainWindow::MakeControl(const wchar_t* className, TControlId id, DWORD style, DWORD extendedStyle) {
    HWND control =
        ::CreateWindowExW(extendedStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_.Get(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) ThrowLastError("CreateWindowExW");
    controls_[id - kStoreLabel] = control;
    return control;
}

void TMainWindow::CreateControls() {
    // Made in the order Tab visits them; a caption stands just before the
    // control its access key leads to.
    constexpr DWORD kBox = WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
    constexpr DWORD kButton = WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
    constexpr DWORD kCaption = WS_GROUP | SS_LEFTNOWORDWRAP;
    MakeControl(WC_STATICW, kStoreLabel, kCaption);
    MakeControl(WC_EDITW, kStoreBox, kBox, WS_EX_CLIENTEDGE);
    MakeControl(WC_BUTTONW, kBrowseStore, kButton);
    MakeControl(WC_STATICW, kOutputLabel, kCaption);
    MakeControl(WC_EDITW, kOutputBox, kBox, WS_EX_CLIENTEDGE);
    MakeControl(WC_BUTTONW, kBrowseOutput, kButton);
    MakeControl(WC_STATICW, kTrashLabel, kCaption);
    MakeControl(WC_EDITW, kTrashBase, WS_GROUP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE);
    MakeControl(WC_STATICW, kTrashDelimiter, WS_GROUP | SS_RIGHT | SS_NOPREFIX);
    MakeControl(WC_EDITW, kTrashBox, kBox, WS_EX_CLIENTEDGE);
    MakeControl(WC_BUTTONW, kModeFrame, WS_GROUP | BS_GROUPBOX);
    MakeControl(WC_BUTTONW, kShallowMode, WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON);
    MakeControl(WC_BUTTONW, kBottomMode, BS_AUTORADIOBUTTON);
    MakeControl(WC_BUTTONW, kDeepMode, BS_AUTORADIOBUTTON);
    MakeControl(WC_STATICW, kBufferLabel, WS_GROUP | SS_RIGHT);
    HWND buffer =
        MakeControl(WC_COMBOBOXW, kBufferBox, WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL);
    MakeControl(WC_STATICW, kBufferUnit, kCaption | SS_NOPREFIX);
    MakeControl(WC_STATICW, kStatusCaption, kCaption | SS_NOPREFIX);
    MakeControl(WC_STATICW, kStatusLine1, kCaption | SS_NOPREFIX);
    MakeControl(WC_STATICW, kStatusLine2, kCaption | SS_NOPREFIX);
    HWND bar = MakeControl(PROGRESS_CLASSW, kProgressBar, WS_GROUP | PBS_SMOOTH);
    MakeControl(WC_BUTTONW, kStartButton, kButton);
    MakeControl(WC_BUTTONW, kAbortButton, kButton);
    MakeControl(WC_BUTTONW, kCloseButton, kButton);
    MakeControl(WC_LINK, kOpenFolderLink, WS_TABSTOP | WS_GROUP);
    ::ShowWindow(Control(kOpenFolderLink), SW_HIDE);

    for (const int kilobytes : ui::BufferChoices()) {
        ::SendMessageW(buffer, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(kilobytes).c_str()));
    }
    ::SendMessageW(bar, PBM_SETRANGE32, 0, ui::kFullBar);
    DrawTextOnBar(bar);

    // Files dropped from the desktop on the store and output boxes.
    for (const TControlId box : {kStoreBox, kOutputBox}) {
        ::DragAcceptFiles(Control(box), TRUE);
        ::SetWindowSubclass(Control(box), &DropBoxProc, box, reinterpret_cast<DWORD_PTR>(this));
    }
    // A window run with more rights than the desktop's still takes drops.
    ::ChangeWindowMessageFilterEx(window_.Get(), WM_DROPFILES, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(window_.Get(), WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(window_.Get(), 0x0049 /* WM_COPYGLOBALDATA */, MSGFLT_ALLOW, nullptr);

    // A shortened path shows in full as the box's tooltip.
    toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_.Get(), nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (toolTips_ != nullptr) {
        for (const TControlId box : {kStoreBox, kOutputBox, kTrashBase}) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window_.Get();
            tool.uId = reinterpret_cast<UINT_PTR>(Control(box));
            tool.lpszText = const_cast<wchar_t*>(L"");
            ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

    bigIcon_.Reset(LoadIconAt(::GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi_))));
    smallIcon_.Reset(LoadIconAt(::GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi_))));
    if (bigIcon_) ::SendMessageW(window_.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    if (smallIcon_) ::SendMessageW(window_.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

void TMainWindow::ApplyTexts() {
    const ui::TInterfaceTexts& texts = model_->Texts();
    const std::pair<TControlId, const std::string*> captions[] = {
        {kStoreLabel, &texts.InputFile},      {kBrowseStore, &texts.BrowseFile}, {kOutputLabel, &texts.OutputFolder},
        {kBrowseOutput, &texts.BrowseFolder}, {kTrashLabel, &texts.TrashFolder}, {kModeFrame, &texts.ScanMode},
        {kShallowMode, &texts.ShallowMode},   {kBottomMode, &texts.BottomMode},  {kDeepMode, &texts.DeepMode},
        {kBufferLabel, &texts.Buffer},        {kStatusCaption, &texts.Status},   {kStartButton, &texts.Start},
        {kAbortButton, &texts.Abort},         {kCloseButton, &texts.Close},
    };
    for (const auto& [id, text] : captions) SetText(id, WideText(*text));
    SetText(kTrashDelimiter,
            std::wstring(1, static_cast<wchar_t>(platform::PathDelimiter(platform::NativePathSyntax()))));
    SetText(kBufferUnit, L"KB");
    // The link's markup takes its text between tags that would otherwise
    // be read from it.
    std::wstring link = WideText(texts.OpenFolder);
    for (wchar_t& c : link) {
        if (c == L'<') c = L'\x2039';
        if (c == L'>') c = L'\x203A';
    }
    SetText(kOpenFolderLink, L"<a>" + link + L"</a>");
}

void TMainWindow::PlaceWindow(const RECT* suggested) {
    if (suggested != nullptr) {
        ::SetWindowPos(window_.Get(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT frame{0, 0, Scaled(382), Scaled(257)};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window_.Get(), GWL_STYLE)), FALSE,
                               static_cast<DWORD>(::GetWindowLongPtrW(window_.Get(), GWL_EXSTYLE)),
                               static_cast<UINT>(dpi_));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window_.Get(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(window_.Get(), nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring TMainWindow::TextOf(TControlId id) const {
    HWND control = Control(id);
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

void TMainWindow::SetText(TControlId id, const std::wstring& text) {
    // Only a change is written: writing a box moves its caret to the start.
    if (TextOf(id) == text) return;
    ::SetWindowTextW(Control(id), text.c_str());
    // A box the focus has just come to, whose text followed another box's,
    // shows it selected, to be typed over as Tab left it.
    const HWND focus = ::GetFocus();
    if (focus != nullptr && (focus == Control(id) || ::GetParent(focus) == Control(id))) {
        ::SendMessageW(focus, EM_SETSEL, 0, -1);
    }
}

// --- Showing what the model says ---

void TMainWindow::Refresh() {
    if (!window_) return;
    refreshing_ = true;
    const std::wstring paths[] = {TextOf(kStoreBox), TextOf(kOutputBox), TextOf(kTrashBase)};
    SetText(kStoreBox, WideText(model_->StorePath()));
    SetText(kOutputBox, WideText(model_->OutputFolder()));
    SetText(kTrashBase, WideText(model_->TrashBase()));
    if (paths[0] != TextOf(kStoreBox) || paths[1] != TextOf(kOutputBox) || paths[2] != TextOf(kTrashBase)) {
        RefreshToolTips();
    }
    SetText(kTrashBox, WideText(model_->TrashName()));
    SetText(kBufferBox, WideText(model_->BufferText()));
    const TControlId mode = ModeButton(model_->Mode());
    for (const TControlId button : {kShallowMode, kBottomMode, kDeepMode}) {
        ::SendMessageW(Control(button), BM_SETCHECK, button == mode ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    RefreshControls(model_->Controls());
    RefreshStatus();
    refreshing_ = false;

    // The stop question is withdrawn once the scan it asks about has ended.
    if (boxes_.Open() && askingToClose_ && model_->StopQuestionMoot()) {
        boxes_.Withdraw();
    }
    QueueMessages();
}

void TMainWindow::RefreshControls(const ui::TControlStates& states) {
    const std::pair<TControlId, bool> enabled[] = {
        {kStoreLabel, states.StoreBox},    {kStoreBox, states.StoreBox},     {kBrowseStore, states.BrowseStore},
        {kOutputLabel, states.OutputBox},  {kOutputBox, states.OutputBox},   {kBrowseOutput, states.BrowseOutput},
        {kTrashLabel, states.TrashBox},    {kTrashBox, states.TrashBox},     {kModeFrame, states.ModeChoice},
        {kShallowMode, states.ModeChoice}, {kBottomMode, states.ModeChoice}, {kDeepMode, states.ModeChoice},
        {kBufferLabel, states.BufferBox},  {kBufferBox, states.BufferBox},   {kStartButton, states.Start},
        {kAbortButton, states.Abort},      {kCloseButton, states.Close},
    };
    // What becomes usable first, then the focus, then what no longer is:
    // a focused control that is disabled leaves the keyboard nowhere.
    for (const auto& [id, on] : enabled) {
        if (on) ::EnableWindow(Control(id), TRUE);
    }
    if (const std::optional<ui::TFocusTarget> focus = model_->TakeFocus()) ApplyFocus(*focus);
    for (const auto& [id, on] : enabled) {
        if (!on) ::EnableWindow(Control(id), FALSE);
    }
    ::ShowWindow(Control(kOpenFolderLink), states.OpenFolder ? SW_SHOWNA : SW_HIDE);
}

void TMainWindow::RefreshStatus() {
    const ui::TStatusView status = model_->Status();
    const std::wstring line1 = WideText(status.Line1);
    const std::wstring line2 = WideText(status.Line2);
    const bool moved = TextOf(kStatusLine1) != line1 || TextOf(kStatusLine2) != line2;
    SetText(kStatusLine1, line1);
    SetText(kStatusLine2, line2);
    if (moved) LayOutStatusLine();
    HWND bar = Control(kProgressBar);
    if (static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0)) != status.Permille) {
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(status.Permille), 0);
    }
    SetText(kProgressBar, WideText(status.BarText));
}

void TMainWindow::RefreshToolTips() {
    if (toolTips_ == nullptr) return;
    for (const TControlId box : {kStoreBox, kOutputBox, kTrashBase}) {
        RECT client;
        ::GetClientRect(Control(box), &client);
        std::wstring text = TextOf(box);
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Control(box), WM_GETFONT, 0, 0));
        if (TextExtent(font, text, true).cx <= client.right - client.left - Scaled(4)) text.clear();
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window_.Get();
        tool.uId = reinterpret_cast<UINT_PTR>(Control(box));
        tool.lpszText = text.data();
        ::SendMessageW(toolTips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void TMainWindow::QueueMessages() {
    for (ui::TUserMessage& message : model_->TakeMessages()) pending_.push_back(std::move(message));
    if (!pending_.empty() && !showPosted_) {
        showPosted_ = true;
        ::PostMessageW(window_.Get(), kShowMessages, 0, 0);
    }
}

void TMainWindow::ShowPendingMessages() {
    showPosted_ = false;
    // One box at a time; those handed out meanwhile follow this one.
    if (boxes_.Open()) return;
    while (!pending_.empty() && window_) {
        const ui::TUserMessage message = std::move(pending_.front());
        pending_.pop_front();
        boxes_.Show(window_.Get(), message, model_->Texts());
    }
}

void TMainWindow::FocusControl(HWND control) {
    lastFocus_ = control;
    if (::GetActiveWindow() == window_.Get()) ::SetFocus(control);
}

void TMainWindow::ApplyFocus(ui::TFocusTarget target) {
    switch (target) {
        case ui::TFocusTarget::StoreBox:
            FocusControl(Control(kStoreBox));
            ::SendMessageW(Control(kStoreBox), EM_SETSEL, 0, -1);
            break;
        case ui::TFocusTarget::BufferBox:
            FocusControl(Control(kBufferBox));
            ::SendMessageW(Control(kBufferBox), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
            break;
        case ui::TFocusTarget::Start:
            FocusControl(Control(kStartButton));
            break;
        case ui::TFocusTarget::Abort:
            FocusControl(Control(kAbortButton));
            break;
    }
}

// --- What the user does ---

void TMainWindow::CommitBoxes() {
    // One at a time: the store decides the output box the next line reads.
    model_->SetStorePath(NarrowText(TextOf(kStoreBox)));
    model_->SetOutputFolder(NarrowText(TextOf(kOutputBox)));
    model_->SetTrashName(NarrowText(TextOf(kTrashBox)));
    model_->SetBufferText(NarrowText(TextOf(kBufferBox)));
}

void TMainWindow::StartScan() {
    if (!::IsWindowEnabled(Control(kStartButton))) return;
    CommitBoxes();
    model_->Start();
}

void TMainWindow::Close() {
    if (askingToClose_) return;
    if (model_->RequestClose() == ui::TCloseStep::AskToStop) {
        askingToClose_ = true;
        const bool stop = boxes_.Ask(window_.Get(), model_->StopQuestion());
        askingToClose_ = false;
        if (!model_->AnswerStopQuestion(stop)) {
            QueueMessages();
            return;
        }
    }
    ::DestroyWindow(window_.Get());
}

void TMainWindow::BrowseStore() {
    if (const auto chosen = PickStoreFile(window_.Get(), model_->Texts(), model_->StorePickerStart())) {
        model_->SetStorePath(*chosen);
    }
}

void TMainWindow::BrowseOutput() {
    CommitBoxes();
    if (const auto chosen = PickFolder(window_.Get(), model_->Texts(), model_->OutputPickerStart())) {
        model_->SetOutputFolder(*chosen);
    }
}

void TMainWindow::OpenOutputFolder() {
    if (!OpenFolder(model_->OpenFolderPath())) model_->OpenFolderFailed();
}

void TMainWindow::Dropped(TControlId box, HDROP drop) {
    const std::optional<std::string> path = TakeFirstDroppedFile(drop);
    if (!path || !::IsWindowEnabled(Control(box))) return;
    if (box == kStoreBox) {
        model_->SetStorePath(*path);
    } else {
        model_->DropOnOutputFolder(*path);
    }
}

void TMainWindow::ShowContextMenu(LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (where == -1) {
        // From the keyboard: below the focused control.
        RECT bounds;
        ::GetWindowRect(::GetFocus() != nullptr ? ::GetFocus() : window_.Get(), &bounds);
        at = {bounds.left, bounds.bottom};
    }
    const ui::TInterfaceTexts& texts = model_->Texts();
    const bool open = model_->Controls().ScanOptions;
    const auto flags = [open](bool checked, bool usable) {
        return MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED) | (open && usable ? MF_ENABLED : MF_GRAYED);
    };
    TMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), flags(model_->WriteMbox(), true), kWriteMboxChoice, WideText(texts.WriteMbox).c_str());
    ::AppendMenuW(menu.Get(), flags(model_->MboxAll(), model_->WriteMbox()), kMboxAllChoice,
                  WideText(texts.MboxAll).c_str());
    ::AppendMenuW(menu.Get(), flags(model_->HashStore(), true), kHashStoreChoice, WideText(texts.HashStore).c_str());
    const int chosen = static_cast<int>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_.Get(), nullptr));
    if (chosen == kWriteMboxChoice) model_->SetWriteMbox(!model_->WriteMbox());
    if (chosen == kMboxAllChoice) model_->SetMboxAll(!model_->MboxAll());
    if (chosen == kHashStoreChoice) model_->SetHashStore(!model_->HashStore());
}

void TMainWindow::OnCommand(int id, int code, HWND from) {
    switch (id) {
        case IDOK: {
            // Enter: a focused button is pressed; in a box it starts.
            wchar_t className[32] = L"";
            if (from != nullptr && ::GetClassNameW(from, className, 32) > 0 &&
                std::wstring_view(className) == WC_BUTTONW) {
                ::SendMessageW(from, BM_CLICK, 0, 0);
            } else {
                StartScan();
            }
            return;
        }
        case IDCANCEL:
        case kCloseButton:
            if (code == BN_CLICKED) Close();
            return;
        case kStartButton:
            if (code == BN_CLICKED) StartScan();
            return;
        case kAbortButton:
            if (code == BN_CLICKED) model_->Abort();
            return;
        case kBrowseStore:
            if (code == BN_CLICKED) BrowseStore();
            return;
        case kBrowseOutput:
            if (code == BN_CLICKED) BrowseOutput();
            return;
        case kShallowMode:
        case kBottomMode:
        case kDeepMode:
            if (code == BN_CLICKED) model_->SetMode(ModeOf(id));
            return;
        default:
            break;
    }
    if (refreshing_) return;
    if (id == kStoreBox && code == EN_KILLFOCUS) model_->SetStorePath(NarrowText(TextOf(kStoreBox)));
    if (id == kOutputBox && code == EN_KILLFOCUS) model_->SetOutputFolder(NarrowText(TextOf(kOutputBox)));
    if (id == kTrashBox && code == EN_CHANGE) model_->SetTrashName(NarrowText(TextOf(kTrashBox)));
    if (id == kBufferBox && code == CBN_EDITCHANGE) model_->SetBufferText(NarrowText(TextOf(kBufferBox)));
    if (id == kBufferBox && code == CBN_SELCHANGE) {
        HWND buffer = Control(kBufferBox);
        const auto index = ::SendMessageW(buffer, CB_GETCURSEL, 0, 0);
        if (index != CB_ERR) {
            std::wstring item(static_cast<std::size_t>(::SendMessageW(buffer, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
            item.resize(static_cast<std::size_t>(
                ::SendMessageW(buffer, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()))));
            model_->SetBufferText(NarrowText(item));
        }
    }
}

bool TMainWindow::PreTranslate(MSG& message) { return window_ && ::IsDialogMessageW(window_.Get(), &message) != FALSE; }

LRESULT TMainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_.Get();
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == kOpenFolderLink && (header->code == NM_CLICK || header->code == NM_RETURN)) {
                OpenOutputFolder();
            }
            return 0;
        }
        case WM_NEXTDLGCTL: {
            // The dialog manager moves the focus through this message, which
            // only a dialog's own window procedure would otherwise handle.
            HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                              : ::GetNextDlgTabItem(window, ::GetFocus(), wParam != 0);
            if (target != nullptr) {
                ::SetFocus(target);
                if ((::SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
                    ::SendMessageW(target, EM_SETSEL, 0, -1);
                }
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window, focus)) lastFocus_ = focus;
            } else if (lastFocus_ != nullptr && ::IsWindow(lastFocus_)) {
                ::SetFocus(lastFocus_);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            const auto control = reinterpret_cast<HWND>(lParam);
            ::SetTextColor(dc, ::IsWindowEnabled(control) ? fonts_->TextColor() : ::GetSysColor(COLOR_GRAYTEXT));
            const bool face = message == WM_CTLCOLORSTATIC;
            ::SetBkColor(dc, ::GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(face ? COLOR_BTNFACE : COLOR_WINDOW));
        }
        case WM_CONTEXTMENU:
            ShowContextMenu(lParam);
            return 0;
        case WM_DPICHANGED:
            dpi_ = LOWORD(wParam);
            MakeFonts();
            PlaceWindow(reinterpret_cast<const RECT*>(lParam));
            LayOut();
            return 0;
        case kShowMessages:
            ShowPendingMessages();
            return 0;
        case kRefresh:
            refreshPosted_ = false;
            Refresh();
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TMainWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_.Reset(window);
    }
    auto* self = reinterpret_cast<TMainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || !self->window_) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The system destroys the window; nothing is left to release.
        self->window_.Detach();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        // No exception may cross the system's frames: the user is told, and
        // the window goes on.
        ::MessageBoxW(window, WideText(e.what()).c_str(), WideText(ui::kWindowCaption).c_str(), MB_OK | MB_ICONERROR);
        return 0;
    }
}

LRESULT CALLBACK TMainWindow::DropBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self) {
    if (message == WM_DROPFILES) {
        try {
            reinterpret_cast<TMainWindow*>(self)->Dropped(static_cast<TControlId>(id), reinterpret_cast<HDROP>(wParam));
        } catch (const std::exception& e) {
            ::MessageBoxW(box, WideText(e.what()).c_str(), WideText(ui::kWindowCaption).c_str(), MB_OK | MB_ICONERROR);
        }
        return 0;
    }
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(box, &DropBoxProc, id);
    return ::DefSubclassProc(box, message, wParam, lParam);
}

int RunMessageLoop(TMainWindow& window) {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace tervaline::winapp
