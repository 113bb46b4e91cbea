#include "ui/ControlStates.h"

namespace tervaline::ui {

TControlStates ControlStatesOf(TScanPhase phase, bool outputFolderExists) {
    TControlStates states;
    if (phase == TScanPhase::Scanning || phase == TScanPhase::Stopping) {
        // What the scan reads from these was fixed when it started: a change
        // now would show one thing and do another.
        states.StoreBox = states.BrowseStore = false;
        states.OutputBox = states.BrowseOutput = false;
        states.TrashBox = states.ModeChoice = states.BufferBox = states.ScanOptions = false;
        states.Start = false;
        // A second stop request would change nothing but the user's hopes.
        states.Abort = phase == TScanPhase::Scanning;
        return states;
    }
    states.OpenFolder = phase == TScanPhase::Done && outputFolderExists;
    return states;
}

}  // namespace tervaline::ui
