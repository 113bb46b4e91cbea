// What the POSIX and the Windows file services share: each system makes a
// single folder its own way, and the rest is written once.
#pragma once

#include <string>

namespace tervaline::platform {

// Makes the one folder Folder, with the permission bits Mode less the
// process's mask where the system keeps such bits; 0 when it was made, the
// system's error number otherwise.
int MakeOneFolder(const std::string& folder, unsigned mode);

// Whether Error says that something of the name exists already.
bool IsExistsError(int error);

}  // namespace tervaline::platform
