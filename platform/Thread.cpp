#include "platform/Thread.h"

#include <stdexcept>
#include <utility>

namespace tervaline::platform {

TThread::TThread(TDispatcher& dispatcher)
    : dispatcher_(dispatcher), alive_(std::make_shared<TAlive>()) {}

TThread::~TThread() {
    alive_->alive.store(false, std::memory_order_release);
    RequestStop();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();  // cannot happen by design; never self-join
        } else {
            thread_.join();
        }
    }
}

void TThread::Start() {
    if (thread_.joinable() || finished_.load()) throw std::logic_error("TThread: started twice");
    thread_ = std::thread([this] { Run(); });
}

void TThread::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        // A body reports through its own fields; an escaped exception must
        // not take the process down, and OnDone still follows.
    }
    finished_.store(true, std::memory_order_release);
    auto alive = alive_;
    dispatcher_.Post([this, alive] {
        if (alive->alive.load(std::memory_order_acquire)) Completed();
    });
}

void TThread::Completed() {
    // The body has returned: the join is immediate.
    WaitFor();
    DoDone();
    if (FreeOnDone) delete this;  // self-release, see the header
}

void TThread::DoDone() {
    if (OnDone) OnDone(*this);
}

void TThread::Queue(std::function<void()> call) {
    auto alive = alive_;
    dispatcher_.Post([alive, call = std::move(call)] {
        if (alive->alive.load(std::memory_order_acquire)) call();
    });
}

}  // namespace tervaline::platform
