#include "engine/report/HeaderSection.h"

#include <algorithm>
#include <vector>

#include "engine/AsciiCase.h"

namespace tervaline::engine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
    const auto isSpace = [](char c) { return IsBlank(c) || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Where a field of the given name lands, or null for one the report does
// not read.
std::string* Slot(TRawHeaderFields& fields, std::string_view name) {
    struct TNamed {
        const char* name;
        std::string TRawHeaderFields::*slot;
    };
    static constexpr TNamed kNamed[] = {
        {"date", &TRawHeaderFields::Date},       {"from", &TRawHeaderFields::From},
        {"to", &TRawHeaderFields::To},           {"cc", &TRawHeaderFields::Cc},
        {"subject", &TRawHeaderFields::Subject}, {"message-id", &TRawHeaderFields::MessageId},
    };
    for (const TNamed& n : kNamed) {
        if (SameAsciiWord(name, n.name)) return &(fields.*n.slot);
    }
    return nullptr;
}

// The length of a field name at the start of Line: printable characters
// other than the colon, followed by a colon (blanks before it are allowed,
// as old mail programs wrote them); 0 when Line is no field.
std::size_t FieldNameLength(std::string_view line, std::size_t& colon) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != ':' && line[i] > ' ' && line[i] < 0x7F) ++i;
    std::size_t end = i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (end == 0 || i == line.size() || line[i] != ':') return 0;
    colon = i;
    return end;
}

}  // namespace

TRawHeaderFields ReadHeaderSection(std::string_view message) {
    TRawHeaderFields fields;
    std::string* current = nullptr;  // the field the next continuation line belongs to
    bool currentTaken = false;       // a later copy of a field already read is skipped
    std::vector<const std::string*> seen;
    std::size_t at = 0;
    while (at < message.size()) {
        std::size_t end = message.find('\n', at);
        if (end == std::string_view::npos) end = message.size();
        std::string_view line = message.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        if (IsBlank(line.front())) {
            if (current != nullptr && !currentTaken) {
                const std::string_view more = Trimmed(line);
                if (!more.empty()) {
                    if (!current->empty()) current->push_back(' ');
                    current->append(more);
                }
            }
            continue;
        }
        std::size_t colon = 0;
        const std::size_t nameLength = FieldNameLength(line, colon);
        if (nameLength == 0) break;
        current = Slot(fields, line.substr(0, nameLength));
        if (current == nullptr) continue;
        currentTaken = std::find(seen.begin(), seen.end(), current) != seen.end();
        if (!currentTaken) {
            seen.push_back(current);
            current->assign(Trimmed(line.substr(colon + 1)));
        }
    }
    return fields;
}

}  // namespace tervaline::engine
