#include "platform/Dispatcher.h"

#include <utility>

namespace tervaline::platform {

void TQueueDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(call));
    }
    posted_.notify_one();
}

std::function<void()> TQueueDispatcher::Take() {
    auto call = std::move(queue_.front());
    queue_.pop_front();
    return call;
}

void TQueueDispatcher::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        std::function<void()> call;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return !queue_.empty(); });
            call = Take();
        }
        call();
    }
}

std::size_t TQueueDispatcher::RunPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& call : batch) call();
    return batch.size();
}

bool TQueueDispatcher::RunOne(std::chrono::milliseconds timeout) {
    std::function<void()> call;
    {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); })) return false;
        call = Take();
    }
    call();
    return true;
}

}  // namespace tervaline::platform
