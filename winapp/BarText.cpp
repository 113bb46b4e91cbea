#include "winapp/BarText.h"

#include <commctrl.h>

#include <string>

#include "winapp/OwnedHandle.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

namespace {

constexpr UINT_PTR kSubclassId = 1;

void Paint(HWND bar) {
    PAINTSTRUCT paint;
    HDC target = ::BeginPaint(bar, &paint);
    RECT client;
    ::GetClientRect(bar, &client);
    // The bar draws itself into a bitmap first and the text goes on top,
    // so that the two never flicker in turn.
    TMemoryDC dc(::CreateCompatibleDC(target));
    TBitmap bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
    const HGDIOBJ beforeBitmap = ::SelectObject(dc.Get(), bitmap.Get());
    ::DefSubclassProc(bar, WM_PAINT, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const int length = ::GetWindowTextLengthW(bar);
    if (length > 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetWindowTextW(bar, text.data(), length + 1)));
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(bar, WM_GETFONT, 0, 0));
        const HGDIOBJ beforeFont =
            ::SelectObject(dc.Get(), font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(dc.Get(), TRANSPARENT);
        ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_WINDOWTEXT));
        ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &client,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        ::SelectObject(dc.Get(), beforeFont);
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
    ::SelectObject(dc.Get(), beforeBitmap);
    ::EndPaint(bar, &paint);
}

LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_PAINT:
            if (wParam == 0) {
                Paint(bar);
                return 0;
            }
            break;
        case WM_SETTEXT: {
            const LRESULT result = ::DefSubclassProc(bar, message, wParam, lParam);
            ::InvalidateRect(bar, nullptr, FALSE);
            return result;
        }
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(bar, &BarProc, kSubclassId);
            break;
        default:
            break;
    }
    return ::DefSubclassProc(bar, message, wParam, lParam);
}

}  // namespace

void DrawTextOnBar(HWND bar) {
    if (!::SetWindowSubclass(bar, &BarProc, kSubclassId, 0)) ThrowLastError("SetWindowSubclass");
}

}  // namespace tervaline::winapp
