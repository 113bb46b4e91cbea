// TOwned: one owner for each kind of Windows handle the window keeps (its
// windows, fonts, icons, menus, hooks), releasing it the way that kind is
// released when the owner goes; and TComPtr for the system's COM objects.
#pragma once

#include <windows.h>

#include <utility>

namespace tervaline::winapp {

// GDI objects of every kind go back through one call.
inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }

template <typename THandleType, auto Release>
class TOwned {
public:
    TOwned() = default;
    explicit TOwned(THandleType handle) : handle_(handle) {}
    ~TOwned() { Reset(); }
    TOwned(TOwned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;

    THandleType Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle up without releasing it: for one that is released
    // elsewhere already (a window the system has destroyed).
    THandleType Detach() { return std::exchange(handle_, nullptr); }
    void Reset(THandleType handle = nullptr) {
        if (handle_ != nullptr) Release(handle_);
        handle_ = handle;
    }

private:
    THandleType handle_ = nullptr;
};

using TWindow = TOwned<HWND, &::DestroyWindow>;
using TFont = TOwned<HFONT, &DeleteGdiObject>;
using TIcon = TOwned<HICON, &::DestroyIcon>;
using TMenu = TOwned<HMENU, &::DestroyMenu>;
using THook = TOwned<HHOOK, &::UnhookWindowsHookEx>;
using TBitmap = TOwned<HBITMAP, &DeleteGdiObject>;
using TMemoryDC = TOwned<HDC, &::DeleteDC>;

// A COM interface pointer, released once.
template <typename T>
class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    TComPtr(TComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }
    // For a call that hands out a new reference.
    T** Out() {
        *this = TComPtr();
        return &pointer_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

private:
    T* pointer_ = nullptr;
};

}  // namespace tervaline::winapp
