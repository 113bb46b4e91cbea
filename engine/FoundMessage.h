// TFoundMessage and TUnwrittenMessage: what a scan knows of a message it
// has just written, or has just failed to write, for the receivers of its
// notifications.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/FoundBy.h"
#include "engine/MessagePlace.h"
#include "engine/records/MessageRecord.h"

namespace tervaline::engine {

struct TFoundMessage {
    std::uint64_t Address = 0;  // file offset of the chain's first block header
    std::uint64_t Size = 0;     // bytes written
    TMessagePlace Place = TMessagePlace::Output;
    std::string Path;
    TFoundBy FoundBy = TFoundBy::ChainOnly;
    std::optional<TMessageRecord> Record;  // the store's own record of it, when found
};

struct TUnwrittenMessage {
    std::uint64_t Address = 0;  // file offset of the chain's first block header
    std::string Reason;
};

}  // namespace tervaline::engine
