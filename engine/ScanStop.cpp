#include "engine/ScanStop.h"

namespace tervaline::engine {

namespace {

// The scan whose search runs on this thread, if any.
thread_local const TScanStop* tlsSearching = nullptr;

}  // namespace

void TScanStop::Request() {
    if (tlsSearching != this) writing_.store(true, std::memory_order_relaxed);
    search_.store(true, std::memory_order_relaxed);
}

TScanStop::TSearchThread::TSearchThread(const TScanStop& stop) : previous_(tlsSearching) { tlsSearching = &stop; }

TScanStop::TSearchThread::~TSearchThread() { tlsSearching = previous_; }

}  // namespace tervaline::engine
