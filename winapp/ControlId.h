// The identifiers of the window's controls and of its context menu's
// choices, by which its messages name them (and tests find them).
#pragma once

namespace tervaline::winapp {

enum TControlId : int {
    kStoreLabel = 100,
    kStoreBox,
    kBrowseStore,
    kOutputLabel,
    kOutputBox,
    kBrowseOutput,
    kTrashLabel,
    kTrashBase,
    kTrashDelimiter,
    kTrashBox,
    kModeFrame,
    kShallowMode,
    kBottomMode,
    kDeepMode,
    kBufferLabel,
    kBufferBox,
    kBufferUnit,
    kStatusCaption,
    kStatusLine1,
    kStatusLine2,
    kProgressBar,
    kStartButton,
    kAbortButton,
    kCloseButton,
    kOpenFolderLink,
    kControlIdEnd,
};

// The context menu's choices.
enum TMenuId : int {
    kWriteMboxChoice = 200,
    kMboxAllChoice,
    kHashStoreChoice,
};

}  // namespace tervaline::winapp
