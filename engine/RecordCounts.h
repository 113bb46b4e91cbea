// TRecordCounts: how complete a salvage is, by the store's own count of
// what it holds beside what the scan found, and the line that says it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tervaline::engine {

struct TRecordCounts {
    bool Read = false;  // the store's records were looked for
    std::uint64_t Listed = 0;     // message records the store still lists
    std::uint64_t Recovered = 0;  // of them, written with their chain
    // Messages written that the store no longer lists (trash left out),
    // and of them the undeleted ones.
    std::uint64_t Unlisted = 0;
    std::uint64_t UnlistedDeleted = 0;
    // What the store's header says its tree holds; none without a header.
    std::optional<std::uint32_t> HeaderCount;
};

// Whether the store lists any message, by its tree or its header: only
// then is there a count to hold the salvage against.
inline bool StoreListsAny(const TRecordCounts& c) {
    return c.Read && (c.Listed > 0 || c.HeaderCount.value_or(0) > 0);
}

// "the store lists 60 messages; 56 of them recovered; 5 more found that it
// no longer lists (5 deleted)"; empty when the records were not looked for.
inline std::string CompletenessLine(const TRecordCounts& c) {
    if (!c.Read) return "";
    return "the store lists " + std::to_string(c.Listed) + " messages; " + std::to_string(c.Recovered) +
           " of them recovered; " + std::to_string(c.Unlisted) + " more found that it no longer lists (" +
           std::to_string(c.UnlistedDeleted) + " deleted)";
}

}  // namespace tervaline::engine
