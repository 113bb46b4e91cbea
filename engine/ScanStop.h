// TScanStop: the rule by which a stop request ends a scan. A request, from
// whatever thread, ends the search; everything carved before it is still
// written, so that a stopped scan has written every message that starts
// before the place its search stopped at, and lost none it found.
#pragma once

#include <atomic>

namespace tervaline::engine {

class TScanStop {
public:
    // Safe on any thread.
    void Request() { search_.store(true, std::memory_order_relaxed); }

    bool SearchStopped() const { return search_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> search_{false};
};

}  // namespace tervaline::engine
