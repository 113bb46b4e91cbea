// TDispatcher: the channel through which a worker's notifications reach the
// thread that owns the user interface.
//
// Posted calls run on that thread one at a time, in the order posted. A
// window supplies one built on its event loop; programs without a window use
// TQueueDispatcher and drain it on their main thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace tervaline::platform {

class TDispatcher {
public:
    virtual ~TDispatcher() = default;
    // Thread-safe; Call runs later on the dispatcher's thread.
    virtual void Post(std::function<void()> call) = 0;
};

// A first-in first-out queue drained by whichever thread calls Run*.
class TQueueDispatcher final : public TDispatcher {
public:
    void Post(std::function<void()> call) override;

    // Runs queued calls until Done() holds after a call, waiting for more
    // when the queue is empty. Done is tested on the draining thread.
    void RunUntil(const std::function<bool()>& done);

    // Runs the calls queued now, without waiting; returns how many ran.
    std::size_t RunPending();

    // Waits up to Timeout for one call and runs it; false when none came.
    bool RunOne(std::chrono::milliseconds timeout);

private:
    std::function<void()> Take();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace tervaline::platform
