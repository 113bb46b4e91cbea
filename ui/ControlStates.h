// Which of the window's controls the user may use in each phase. A running
// scan has fixed its store, folders, mode, buffer and options, so what would
// change them is locked until it ends.
#pragma once

#include "ui/ScanPhase.h"

namespace tervaline::ui {

struct TControlStates {
    bool StoreBox = true;
    bool BrowseStore = true;
    bool OutputBox = true;
    bool BrowseOutput = true;
    bool TrashBox = true;
    bool ModeChoice = true;   // the three mode buttons and their frame
    bool BufferBox = true;
    bool ScanOptions = true;  // the mbox and hash choices of the context menu
    bool Start = true;
    bool Abort = false;
    bool Close = true;        // during a scan Close asks first (StopQuestion.h)
    bool OpenFolder = false;  // the link to the output folder: shown, not merely enabled

    bool operator==(const TControlStates&) const = default;
};

// OpenFolder is only a wish here: it is shown when the phase allows it and
// the folder exists (OutputFolderShown).
TControlStates ControlStatesOf(TScanPhase phase, bool outputFolderExists);

}  // namespace tervaline::ui
