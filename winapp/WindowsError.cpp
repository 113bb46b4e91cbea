#include "winapp/WindowsError.h"

#include "platform/win/WideText.h"

namespace tervaline::winapp {

namespace {

std::string ReasonOf(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length > 0 ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
        reason.pop_back();
    }
    return reason.empty() ? "error " + std::to_string(code) : platform::NarrowText(reason);
}

}  // namespace

EWindowsError::EWindowsError(const std::string& call, DWORD code)
    : std::runtime_error(call + " failed: " + ReasonOf(code)), code_(code) {}

void ThrowLastError(const char* call) { throw EWindowsError(call, ::GetLastError()); }

void ThrowIfFailed(HRESULT result, const char* call) {
    if (FAILED(result)) throw EWindowsError(call, static_cast<DWORD>(result));
}

}  // namespace tervaline::winapp
