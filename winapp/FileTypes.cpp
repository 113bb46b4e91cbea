#include "winapp/FileTypes.h"

#include "platform/win/WideText.h"

namespace tervaline::winapp {

std::vector<TFileType> ParseFileTypes(std::string_view filter) {
    std::vector<std::wstring> parts;
    std::size_t begin = 0;
    while (begin <= filter.size() && !filter.empty()) {
        const std::size_t bar = filter.find('|', begin);
        const std::size_t end = bar == std::string_view::npos ? filter.size() : bar;
        parts.push_back(platform::WideText(filter.substr(begin, end - begin)));
        if (bar == std::string_view::npos) break;
        begin = bar + 1;
    }
    std::vector<TFileType> types;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        TFileType type{parts[i], i + 1 < parts.size() ? parts[i + 1] : std::wstring()};
        if (type.Description.empty() && type.Patterns.empty()) continue;
        if (type.Patterns.empty()) type.Patterns = L"*.*";
        if (type.Description.empty()) type.Description = type.Patterns;
        types.push_back(std::move(type));
    }
    return types;
}

}  // namespace tervaline::winapp
