// TScanStop: the rule by which a stop request ends a scan. A request made
// on the search's own thread (by an OnProgress receiver) ends the search,
// and what was carved before it is still written. A request from anywhere
// else (the window, a signal handler's thread, an OnFound receiver on the
// writer thread) ends the writing too: the message in hand is finished and
// those queued behind it are dropped, so that no more is written than had
// the search waited for each message.
#pragma once

#include <atomic>

namespace tervaline::engine {

class TScanStop {
public:
    // Safe on any thread.
    void Request();

    bool SearchStopped() const { return search_.load(std::memory_order_relaxed); }
    bool WritingStopped() const { return writing_.load(std::memory_order_relaxed); }

    // Marks the calling thread as the one that runs this scan's search, for
    // the lifetime of the scope.
    class TSearchThread {
    public:
        explicit TSearchThread(const TScanStop& stop);
        ~TSearchThread();
        TSearchThread(const TSearchThread&) = delete;
        TSearchThread& operator=(const TSearchThread&) = delete;

    private:
        const TScanStop* previous_;
    };

private:
    std::atomic<bool> search_{false};
    std::atomic<bool> writing_{false};
};

}  // namespace tervaline::engine
