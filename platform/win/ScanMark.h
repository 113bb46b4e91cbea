// Marks that a scan holds a file or a folder, kept as named kernel objects
// of the user's session, so that a refusal can say whether another scan or
// another program is in the way, and so that two scans never write into one
// folder: unlike a lock on the folder itself, the mark keeps no one else
// from listing or changing the folder.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/win/Handle.h"

namespace tervaline::platform {

// The name of the mark of Kind ("store", "folder") for Identity.
std::string ScanMarkName(const char* kind, const TFileIdentity& identity);

// Takes the mark named Name. Answers an invalid handle when another holder
// has it already (or the system made none), and the held mark otherwise;
// closing it gives the mark up.
THandle TakeScanMark(const std::string& name, bool& heldElsewhere);

// Whether some process holds the mark named Name.
bool ScanMarkHeld(const std::string& name);

// The identity of an open file or folder.
bool IdentityOfHandle(HANDLE handle, TFileIdentity& identity);

}  // namespace tervaline::platform
