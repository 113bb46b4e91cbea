#include "engine/report/MailAddress.h"

namespace tervaline::engine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// What a From line can carry as its sender.
std::string Carried(std::string_view spec) {
    spec = Trimmed(spec);
    if (spec.find('@') == std::string_view::npos) return {};
    for (const char c : spec) {
        if (IsBlank(c) || c == '<' || c == '>' || c == '"' || c == '(' || c == ')') return {};
    }
    return std::string(spec);
}

}  // namespace

std::string FirstMailboxAddress(std::string_view field) {
    // One mailbox at a time: its text outside quotes and comments, and the
    // inside of its angle brackets when it has them.
    std::string bare;
    std::string angle;
    bool inAngle = false;
    bool hadAngle = false;
    int comment = 0;
    bool quoted = false;
    const auto finish = [&]() -> std::string {
        std::string spec = Carried(hadAngle ? angle : bare);
        bare.clear();
        angle.clear();
        hadAngle = false;
        return spec;
    };
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if ((quoted || comment > 0) && c == '\\') {
            ++i;  // a quoted pair stands for the character after it
            continue;
        }
        if (quoted) {
            if (c == '"') quoted = false;
            continue;
        }
        if (comment > 0) {
            if (c == '(') ++comment;
            if (c == ')') --comment;
            continue;
        }
        if (inAngle) {
            if (c == '>') {
                inAngle = false;
            } else {
                angle.push_back(c);
            }
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                break;
            case '(':
                comment = 1;
                break;
            case '<':
                inAngle = true;
                hadAngle = true;
                angle.clear();
                break;
            case ':':
                // What came before was a group's name.
                bare.clear();
                break;
            case ',':
            case ';':
                if (std::string spec = finish(); !spec.empty()) return spec;
                break;
            default:
                bare.push_back(c);
        }
    }
    return finish();
}

}  // namespace tervaline::engine
