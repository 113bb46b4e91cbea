// A progress bar that draws its own window text over the bar, centred, as
// the window's bar says how a scan ended and how long it took.
#pragma once

#include <windows.h>

namespace tervaline::winapp {

// From now on Bar draws its window text (WM_SETTEXT) in its font.
void DrawTextOnBar(HWND bar);

}  // namespace tervaline::winapp
