// The scans this build can run. The window model asks every scan for the
// salvage report, which a build without it (the Windows one) cannot write
// and would refuse the scan over; such a build runs the scan without the
// report, the mbox file and the store's digest instead.
#pragma once

#include "ui/MainWindowModel.h"

namespace tervaline::winapp {

// Whether the context menu's mbox and digest choices can do anything here.
bool ScanOptionsBuilt();

// Inner (the engine's own scan when empty) with what this build cannot
// write taken off each scan's settings.
ui::TMainWindowModel::TScanFactory ScansThisBuildRuns(ui::TMainWindowModel::TScanFactory inner);

}  // namespace tervaline::winapp
