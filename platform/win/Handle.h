// THandle: owns a Windows HANDLE and closes it when it goes; and
// ReadFullyAt, the read every file reader here makes through one.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/NativeHandle.h"

namespace tervaline::platform {

class THandle {
public:
    explicit THandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~THandle() {
        if (Valid()) ::CloseHandle(handle_);
    }
    THandle(THandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    THandle& operator=(THandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;

    HANDLE Get() const { return handle_; }
    // Some calls answer failure with null, the file calls with
    // INVALID_HANDLE_VALUE.
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Hands the handle over, as a header's member keeps it.
    TNativeHandle Release() {
        return reinterpret_cast<TNativeHandle>(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }

private:
    HANDLE handle_;
};

// A handle kept as a header's member, as the calls take it.
inline HANDLE AsHandle(TNativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Closes a handle kept as a member, if any, and marks it closed.
inline void CloseNativeHandle(TNativeHandle& handle) {
    if (handle != kNoHandle) ::CloseHandle(AsHandle(std::exchange(handle, kNoHandle)));
}

// Reads Count bytes at Offset, fewer only at the end of the file; false,
// with the reason in GetLastError, when a read fails. Every read names its
// offset, so several threads may read through one handle.
inline bool ReadFullyAt(HANDLE file, std::uint64_t offset, void* dest, std::size_t count, std::size_t& done) {
    auto* out = static_cast<unsigned char*>(dest);
    done = 0;
    while (done < count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD read = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, std::size_t{1} << 30));
        if (!::ReadFile(file, out + done, piece, &read, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (read == 0) break;  // end of file
        done += read;
    }
    return true;
}

}  // namespace tervaline::platform
