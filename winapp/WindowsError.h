// EWindowsError: a system call the window cannot do without failed; the
// text names the call and gives the system's own reason.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace tervaline::winapp {

class EWindowsError : public std::runtime_error {
public:
    EWindowsError(const std::string& call, DWORD code);
    DWORD Code() const { return code_; }

private:
    DWORD code_;
};

// Raises EWindowsError for Call with GetLastError's code.
[[noreturn]] void ThrowLastError(const char* call);
// Raises EWindowsError for Call when Result is a failure.
void ThrowIfFailed(HRESULT result, const char* call);

}  // namespace tervaline::winapp
