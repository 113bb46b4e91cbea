#include "regex/FuzzyCharDic.h"

namespace tervaline::regex {

namespace {

// A NUL byte ends a comma text just as the end of the view does.
bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

}  // namespace

std::vector<std::string> ReadCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t p = 0;
    const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
    const auto skipBlanks = [&] {
        while (IsBlank(at(p))) ++p;
    };

    skipBlanks();
    while (at(p) != '\0') {
        std::string item;
        if (at(p) == '"') {
            ++p;
            while (at(p) != '\0') {
                if (at(p) == '"') {
                    if (at(p + 1) != '"') {
                        ++p;
                        break;
                    }
                    ++p;
                }
                item += at(p);
                ++p;
            }
        } else {
            while (at(p) != '\0' && at(p) != ',' && !IsBlank(at(p))) {
                item += at(p);
                ++p;
            }
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (at(p) == ',') {
            if (at(p + 1) == '\0') items.emplace_back();
            ++p;
            skipBlanks();
        }
    }
    return items;
}

const TDictionary& DefaultFuzzyCharDic() {
    static const TDictionary dictionary = [] {
        TDictionary groups;
        groups.reserve(FuzzyCharDicRows.size());
        for (std::string_view row : FuzzyCharDicRows) groups.push_back(ReadCommaText(row));
        return groups;
    }();
    return dictionary;
}

}  // namespace tervaline::regex
