// The header fields of a salvaged message that the report and the mbox
// file read, taken from its header section as written: the first of each,
// with its folding undone and the blanks around it dropped, still encoded.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

struct TRawHeaderFields {
    std::string Date;
    std::string From;
    std::string To;
    std::string Cc;
    std::string Subject;
    std::string MessageId;
};

// Reads the header section at the start of Message: field lines and their
// continuation lines, up to the first empty line or the first line that is
// neither (the damage, or the body of a message whose head is gone).
TRawHeaderFields ReadHeaderSection(std::string_view message);

}  // namespace tervaline::engine
