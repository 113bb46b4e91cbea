// The question put to a user who closes the window while a scan runs. No
// is the default: an Enter meant for something else must not throw away
// the scan.
#pragma once

#include <string>

#include "ui/InterfaceTexts.h"

namespace tervaline::ui {

struct TStopQuestion {
    std::string Text;
    std::string Yes;
    std::string No;
    bool NoIsDefault = true;
};

TStopQuestion StopQuestionOf(const TInterfaceTexts& texts);

}  // namespace tervaline::ui
