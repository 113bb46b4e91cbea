// Where the window stands in the life of a scan. Every rule of what the
// window lets the user do, and what it shows, is decided by the phase.
#pragma once

namespace tervaline::ui {

enum class TScanPhase {
    Idle,      // nothing scanned yet in this session
    Scanning,  // a scan (or a folder's scans, one after another) is running
    Stopping,  // the user asked the running scan to stop; it finishes the chain in hand
    Done,      // the last scan has ended; its summary is shown
};

}  // namespace tervaline::ui
