// The open-file dialog's list of file types, kept as the language file
// writes it, "Description|pattern|Description|pattern", with several
// patterns of one entry separated by ';'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tervaline::winapp {

struct TFileType {
    std::wstring Description;
    std::wstring Patterns;

    bool operator==(const TFileType&) const = default;
};

// Each pair in order; a trailing description without a pattern stands for
// every file, and entries with neither are dropped.
std::vector<TFileType> ParseFileTypes(std::string_view filter);

}  // namespace tervaline::winapp
