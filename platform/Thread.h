// TThread: a worker thread created suspended, with a stop flag that its body
// polls and a completion notification delivered through a TDispatcher.
//
// OnDone runs on the dispatcher's thread after the body has returned and
// after every call the body posted through Queue, since both travel the same
// first-in first-out channel. A worker started with StartFreeOnDone owns
// itself: after OnDone it joins its thread and deletes itself.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "platform/Dispatcher.h"

namespace tervaline::platform {

class TThread {
public:
    using TNotifyEvent = std::function<void(TThread& sender)>;

    // Constructed suspended: the body does not run until Start.
    explicit TThread(TDispatcher& dispatcher);
    // Requests a stop and waits for a running body; pending notifications
    // of a destroyed worker are dropped.
    virtual ~TThread();

    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Begins running the body on a new thread. A worker runs once.
    void Start();

    // Hands the worker to itself and starts it: it releases itself after
    // OnDone. The returned pointer is valid until OnDone has returned.
    template <class T>
    static T* StartFreeOnDone(std::unique_ptr<T> worker) {
        T* self = worker.release();
        self->FreeOnDone = true;
        self->Start();
        return self;
    }

    // Virtual so that a worker can tell whose request it is; an override
    // must call this one and be safe on any thread.
    virtual void RequestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }

    // Blocks until the body has returned (OnDone may still be pending).
    void WaitFor();

    // True once the body has returned.
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

    TDispatcher& Dispatcher() const { return dispatcher_; }

    TNotifyEvent OnDone;
    bool FreeOnDone = false;

protected:
    // The thread body.
    virtual void Execute() = 0;

    // Delivers OnDone; runs on the dispatcher's thread.
    virtual void DoDone();

    // Posts Call to the dispatcher's thread, ahead of OnDone. Dropped if the
    // worker has been destroyed by then.
    void Queue(std::function<void()> call);

private:
    void Run();
    void Completed();

    // Shared with posted calls so that they can tell whether the worker
    // still exists when they run.
    struct TAlive {
        std::atomic<bool> alive{true};
    };

    TDispatcher& dispatcher_;
    std::shared_ptr<TAlive> alive_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace tervaline::platform
