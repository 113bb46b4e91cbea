// The window's message boxes: the system's own, with the window's name as
// caption and the buttons captioned in the window's language; and the stop
// question, which the course of events may answer while it is open.
#pragma once

#include <windows.h>

#include "ui/InterfaceTexts.h"
#include "ui/StopQuestion.h"
#include "ui/UserMessage.h"

namespace tervaline::winapp {

class TMessageBoxes {
public:
    // Returns when the user has closed the box.
    void Show(HWND owner, const ui::TUserMessage& message, const ui::TInterfaceTexts& texts);
    // True for Yes, and for a question withdrawn.
    bool Ask(HWND owner, const ui::TStopQuestion& question);
    // Closes the open question as if Yes had been chosen; nothing when no
    // question is open.
    void Withdraw();
    bool Open() const { return open_ != nullptr; }

private:
    // The box on the screen while Show or Ask waits on it.
    HWND open_ = nullptr;
};

}  // namespace tervaline::winapp
