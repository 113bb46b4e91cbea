// TUnreadableAreas: the areas of a store that no read could get, gathered
// from every window over it on any thread, each listed once with the
// system's reason, and how many bytes in a row the reads have failed.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CarvedMessage.h"

namespace tervaline::engine {

struct TUnreadableArea {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    std::string Reason;  // the system's words, e.g. "Input/output error"
    bool operator==(const TUnreadableArea&) const = default;
};

class TUnreadableAreas {
public:
    // Lists the bytes of Length at Offset that are not listed yet; an area
    // that touches one of the same reason joins it. Thread-safe.
    void Add(std::uint64_t offset, std::uint64_t length, const std::string& reason);

    // The areas, in offset order.
    std::vector<TUnreadableArea> List() const;
    // The unreadable parts of Length bytes at Offset, in order; cheap while
    // none is listed.
    std::vector<TByteRange> Within(std::uint64_t offset, std::uint64_t length) const;

    // What the reads of the store, on every thread, have met since the
    // last one that gave bytes: Failed adds the bytes a read could not get
    // and answers how many failed in a row; Succeeded starts the count anew.
    std::uint64_t Failed(std::uint64_t bytes) { return failedInARow_.fetch_add(bytes) + bytes; }
    void Succeeded() {
        if (failedInARow_.load(std::memory_order_relaxed) != 0) failedInARow_.store(0);
    }

private:
    mutable std::mutex mutex_;
    // By offset; disjoint.
    std::map<std::uint64_t, TUnreadableArea> areas_;
    std::atomic<bool> any_{false};
    std::atomic<std::uint64_t> failedInARow_{0};
};

}  // namespace tervaline::engine
