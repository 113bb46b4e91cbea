// Files dropped from the desktop on a box: the first of them is what the
// box takes, as the window's boxes each hold one path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tervaline::winapp {

// The first path in Drop, in UTF-8; nothing for an empty drop. Drop is
// handed back to the system either way.
std::optional<std::string> TakeFirstDroppedFile(HDROP drop);

}  // namespace tervaline::winapp
