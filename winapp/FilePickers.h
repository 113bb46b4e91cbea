// The system's own dialogs for choosing the store (a file, or a folder of
// stores typed into its name box) and the output folder, in the window's
// language where the dialog lets a program name its texts.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/InterfaceTexts.h"

namespace tervaline::winapp {

// The chosen file, or nothing when the user cancelled. Start is a file
// (shown selected in its folder) or a folder; empty: the system's choice.
std::optional<std::string> PickStoreFile(HWND owner, const ui::TInterfaceTexts& texts, const std::string& start);

// The chosen folder, or nothing when the user cancelled; Start as above,
// a folder.
std::optional<std::string> PickFolder(HWND owner, const ui::TInterfaceTexts& texts, const std::string& start);

}  // namespace tervaline::winapp
