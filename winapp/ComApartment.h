// TComApartment: the thread joins COM's single-threaded apartment, as the
// system's file dialogs need, for as long as the object lives.
#pragma once

#include <objbase.h>

#include "winapp/WindowsError.h"

namespace tervaline::winapp {

class TComApartment {
public:
    TComApartment() {
        ThrowIfFailed(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), "CoInitializeEx");
    }
    ~TComApartment() { ::CoUninitialize(); }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
};

}  // namespace tervaline::winapp
