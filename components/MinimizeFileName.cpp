#include "components/MinimizeFileName.h"

#include <cstddef>

namespace tervaline::components {

std::string MinimizeFileName(platform::TPathSyntax syntax, std::string_view name,
                             const TTextWidth& width, int maxWidth) {
    const char sep = platform::PathDelimiter(syntax);
    const std::string marker = std::string("...") + sep;        // an elided run of folders
    const std::string rootedMarker = std::string(1, sep) + marker;  // the same after a root

    std::string result(name);
    std::string dir = platform::ExtractFilePath(syntax, name);
    const std::string file = platform::ExtractFileName(syntax, name);
    std::string drive;
    if (syntax == platform::TPathSyntax::Windows && dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }

    while ((!dir.empty() || !drive.empty()) && width(result) > maxWidth) {
        if (dir == rootedMarker) {
            drive.clear();
            dir = marker;
        } else if (dir.empty()) {
            drive.clear();
        } else if (dir.size() == 1 && dir[0] == sep) {
            dir.clear();
        } else {
            const bool lead = platform::IsPathDelimiter(syntax, dir, 0);
            if (lead) dir.erase(0, 1);
            // Only our own marker is dropped here; a folder whose name merely
            // starts with '.' is elided like any other below.
            if (dir.compare(0, marker.size(), marker) == 0) dir.erase(0, marker.size());
            std::size_t first = 0;
            while (first < dir.size() && !platform::IsPathDelimiter(syntax, dir, first)) ++first;
            if (first < dir.size()) {
                dir = marker + dir.substr(first + 1);
            } else {
                dir.clear();
            }
            if (lead) dir.insert(0, 1, sep);
        }
        result = drive + dir + file;
    }
    return result;
}

}  // namespace tervaline::components
