// TCarvedMessage: one chain as the carver reassembled it, on its way from
// the search to the output.
#pragma once

#include <cstdint>
#include <string>

namespace tervaline::engine {

struct TCarvedMessage {
    std::uint64_t Start = 0;  // file offset of the chain's first block header
    std::string Text;
    // Why the text could not be kept, when it could not; Text is then empty.
    std::string Unwritten;
    // Read from the blocks of a deleted message.
    bool Deleted = false;
    // Does not begin like a message: the tail of one whose first blocks
    // are gone, or not a message at all. Only Deep mode tells.
    bool Fragment = false;

    // A chain with neither text nor a reason (an empty first block) has
    // nothing to write and nothing to report.
    bool Empty() const { return Text.empty() && Unwritten.empty(); }
};

}  // namespace tervaline::engine
