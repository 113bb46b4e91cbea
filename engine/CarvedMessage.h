// TCarvedMessage: one chain as the carver reassembled it, on its way from
// the search to the output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/NewFile.h"

namespace tervaline::engine {

struct TCarvedMessage {
    std::uint64_t Start = 0;  // file offset of the chain's first block header
    // The text, unless it was too long to hold in memory; Spilled then holds
    // it, in a new file of the output folder, and Text is empty.
    std::string Text;
    std::unique_ptr<platform::TNewFile> Spilled;
    // Why the text could not be kept, when it could not; it is then empty.
    std::string Unwritten;
    // Read from the blocks of a deleted message.
    bool Deleted = false;
    // Does not begin like a message: the tail of one whose first blocks
    // are gone, or not a message at all. Only Deep mode tells.
    bool Fragment = false;

    std::uint64_t Size() const { return Spilled ? Spilled->Size() : Text.size(); }
    // A chain with neither text nor a reason (an empty first block) has
    // nothing to write and nothing to report.
    bool Empty() const { return Size() == 0 && Unwritten.empty(); }
};

}  // namespace tervaline::engine
