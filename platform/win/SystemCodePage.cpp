// The code page of a Windows system: the ANSI code page.
#include <windows.h>

#include "platform/CodePage.h"

namespace tervaline::platform {

int SystemCodePage() { return ::GetACP() == kCodePage932 ? kCodePage932 : kSingleByteCodePage; }

}  // namespace tervaline::platform
