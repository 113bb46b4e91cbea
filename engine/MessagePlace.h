// Where a scan puts a message: the output folder (mail), its trash
// subfolder (anything else), or its folder of undeleted mail.
#pragma once

namespace tervaline::engine {

enum class TMessagePlace { Output, Trash, Deleted };

// "output", "trash" or "deleted": how the report and the command line name
// a place.
constexpr const char* MessagePlaceName(TMessagePlace place) {
    switch (place) {
        case TMessagePlace::Output:
            return "output";
        case TMessagePlace::Trash:
            return "trash";
        case TMessagePlace::Deleted:
            break;
    }
    return "deleted";
}

// The subfolder of the output folder that receives deleted messages.
inline constexpr const char* kDeletedFolderName = "deleted";

}  // namespace tervaline::engine
