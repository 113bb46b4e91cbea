// TOrderedWorker: hands items, in the order they are submitted, to a thread
// of its own, so that handling one overlaps the making of the next. The
// scan's writer (messages from the search to their files) and its recorder
// (written messages to the report) are two of them.
//
// The queue holds items of at most a fixed total weight (and always one
// item, however heavy), so the memory it takes stays bounded; the one who
// submits waits while it is full. Where no second thread can be had, each
// item is handled as it is submitted.
#pragma once

#include <cassert>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace tervaline::engine {

template <class TItem>
class TOrderedWorker {
public:
    // Handle is called for each item in turn and must not throw.
    using THandler = std::function<void(TItem&)>;
    // The weight of an item against the limit.
    using TWeigher = std::function<std::size_t(const TItem&)>;

    TOrderedWorker(THandler handle, std::size_t maxQueuedWeight, TWeigher weigh)
        : handle_(std::move(handle)), weigh_(std::move(weigh)), maxQueuedWeight_(maxQueuedWeight) {
        // Started last, once every member it reads exists.
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No second thread: Submit handles each item itself.
        }
    }
    // Finishes.
    ~TOrderedWorker() { Finish(); }

    TOrderedWorker(const TOrderedWorker&) = delete;
    TOrderedWorker& operator=(const TOrderedWorker&) = delete;

    // Queues Item, first waiting while the items queued and in hand weigh
    // more than the limit together with it.
    void Submit(TItem item) {
        if (!thread_.joinable()) {
            // Without a worker thread everything happens on this one.
            HandleOne(item);
            return;
        }
        std::unique_lock lock(mutex_);
        const std::size_t weight = weigh_(item);
        changed_.wait(lock, [&] { return queued_ == 0 || queued_ + weight <= maxQueuedWeight_; });
        queued_ += weight;
        queue_.push_back(std::move(item));
        changed_.notify_all();
    }

    // Returns once every item submitted has been handled, and the worker
    // thread has ended. Later calls do nothing.
    void Finish() {
        {
            std::lock_guard lock(mutex_);
            finishing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    void HandleOne(TItem& item) {
        try {
            handle_(item);
        } catch (...) {
            // A handler that breaks its promise loses this item only.
        }
    }

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty()) return;  // finishing, and nothing left
            TItem item = std::move(queue_.front());
            queue_.pop_front();
            const std::size_t weight = weigh_(item);
            lock.unlock();
            HandleOne(item);
            lock.lock();
            assert(queued_ >= weight);
            queued_ -= weight;
            changed_.notify_all();
        }
    }

    THandler handle_;
    TWeigher weigh_;
    const std::size_t maxQueuedWeight_;

    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_. Invariant: queued_ is the weight of the items in
    // queue_ plus the one being handled.
    std::deque<TItem> queue_;
    std::size_t queued_ = 0;
    bool finishing_ = false;

    std::thread thread_;
};

}  // namespace tervaline::engine
