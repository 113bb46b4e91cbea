// Where each byte of a written message came from: the stretches of the
// store its text was read from, block data only, and the bytes that stand
// in the text for ones the store lost.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/CarvedMessage.h"

namespace tervaline::engine {

struct TFileRun {
    std::uint64_t FileOffset = 0;
    std::uint64_t Length = 0;
    // Where the run's bytes stand in the store; for a lost run, where the
    // bytes it stands for stood.
    std::uint64_t StoreOffset = 0;
    // The text holds a filler here, not the store's bytes.
    bool Lost = false;
    bool operator==(const TFileRun&) const = default;
};

// The runs of the first Size bytes of Carved's text, in file order: each
// block's data without its header, split where the store lost bytes.
std::vector<TFileRun> FileRunsOf(const TCarvedMessage& carved, std::uint64_t size);

}  // namespace tervaline::engine
