// The address of the first mailbox in an address field (RFC 5322), for the
// envelope sender of an mbox file's From line.
#pragma once

#include <string>
#include <string_view>

namespace tervaline::engine {

// The addr-spec of the first mailbox in Field as written: inside the angle
// brackets of a name-addr, or the bare addr-spec, past quoted display
// names, comments and a group's name. Empty when the field has none that a
// From line can carry (no "@", or blanks in it).
std::string FirstMailboxAddress(std::string_view field);

}  // namespace tervaline::engine
