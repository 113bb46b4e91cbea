// What Start does with what the boxes hold: the scans to run, one for a
// store and one per store for a folder of stores, each a TScanSettings; or
// a refusal, with the text to show and the box to put right.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "engine/ScanMode.h"
#include "engine/ScanSettings.h"
#include "platform/PathSyntax.h"
#include "ui/InterfaceTexts.h"

namespace tervaline::ui {

// The boxes and choices as the user left them, text as typed.
struct TStartInput {
    std::string Store;
    std::string Output;  // as the box shows it; empty: derived from the store
    std::string Trash;   // empty: the language's default trash folder
    engine::TScanMode Mode = engine::TScanMode::Shallow;
    std::string Buffer;
    bool WriteMbox = false;
    bool MboxAll = false;
    bool HashStore = false;
};

struct TScanPlan {
    // In the order they run; more than one only for a folder of stores.
    std::vector<engine::TScanSettings> Scans;
    // The folder the user is offered to open afterwards.
    std::string OutputFolder;
    // The trash name the scans use, for the box that was left empty.
    std::string Trash;
};

enum class TInputBox { Store, Buffer };

struct TStartRefusal {
    std::string Text;  // ready to show in an error box
    TInputBox Box;     // to be focused, its text selected
};

using TStartDecision = std::variant<TScanPlan, TStartRefusal>;

TStartDecision DecideStart(const TStartInput& input, const TInterfaceTexts& texts,
                           platform::TPathSyntax syntax = platform::NativePathSyntax());

}  // namespace tervaline::ui
