// What the window remembers from one run to the next: the folder of the
// last store, the output folder the user chose, the scan mode and the
// buffer. Kept in an INI file in the user's settings folder.
#pragma once

#include <optional>
#include <string>

#include "engine/ScanMode.h"
#include "ui/BufferSize.h"

namespace tervaline::ui {

struct TRememberedChoices {
    std::string StoreFolder;   // where the open-file dialog starts
    std::string OutputFolder;  // empty unless the user chose one
    engine::TScanMode Mode = engine::TScanMode::Shallow;
    TBufferSize Buffer = TBufferSize::Default();

    bool operator==(const TRememberedChoices&) const = default;
};

// The choices in the file at Path; the defaults for what it lacks or holds
// badly, and for a missing file.
TRememberedChoices ReadRememberedChoices(const std::string& path);

// Writes Choices to Path, making its folder; raises platform::EFileError
// when it cannot.
void WriteRememberedChoices(const std::string& path, const TRememberedChoices& choices);

// Where the window keeps them: tervaline.ini in the user's settings folder
// for the program; empty when the system names none.
std::string RememberedChoicesPath();

}  // namespace tervaline::ui
