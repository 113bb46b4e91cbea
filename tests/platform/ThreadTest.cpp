#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/Thread.h"

namespace tervaline::platform {
namespace {

using namespace std::chrono_literals;

// A body that posts a few notifications and can run until stopped.
class TWorker : public TThread {
public:
    TWorker(TDispatcher& d, std::vector<std::string>* log, bool untilStopped, bool* destroyed = nullptr)
        : TThread(d), log_(log), untilStopped_(untilStopped), destroyed_(destroyed) {}
    ~TWorker() override {
        if (destroyed_ != nullptr) *destroyed_ = true;
    }
    std::atomic<bool> bodyStarted{false};

protected:
    void Execute() override {
        bodyStarted = true;
        for (int i = 0; i < 3; ++i) Queue([this, i] { log_->push_back("note" + std::to_string(i)); });
        while (untilStopped_ && !StopRequested()) std::this_thread::sleep_for(1ms);
    }

private:
    std::vector<std::string>* log_;
    bool untilStopped_;
    bool* destroyed_;
};

TEST(Thread, ConstructedSuspendedAndDoneComesAfterEveryNotification) {
    TQueueDispatcher dispatcher;
    std::vector<std::string> log;
    auto worker = std::make_unique<TWorker>(dispatcher, &log, false);
    bool done = false;
    worker->OnDone = [&](TThread&) {
        log.push_back("done");
        done = true;
    };
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(worker->bodyStarted.load());
    worker->Start();
    dispatcher.RunUntil([&] { return done; });
    EXPECT_EQ(log, (std::vector<std::string>{"note0", "note1", "note2", "done"}));
    EXPECT_TRUE(worker->Finished());
}

TEST(Thread, StopRequestEndsTheBodyAndFreeOnDoneReleasesTheWorker) {
    TQueueDispatcher dispatcher;
    std::vector<std::string> log;
    bool destroyed = false;
    bool done = false;
    auto worker = std::make_unique<TWorker>(dispatcher, &log, true, &destroyed);
    worker->OnDone = [&](TThread&) { done = true; };
    TWorker* running = TThread::StartFreeOnDone(std::move(worker));
    while (!running->bodyStarted.load()) std::this_thread::sleep_for(1ms);
    running->RequestStop();
    dispatcher.RunUntil([&] { return done; });
    EXPECT_TRUE(destroyed);
}

TEST(Thread, NotificationsOfADestroyedWorkerAreDropped) {
    TQueueDispatcher dispatcher;
    std::vector<std::string> log;
    bool doneCalled = false;
    {
        TWorker worker(dispatcher, &log, false);
        worker.OnDone = [&](TThread&) { doneCalled = true; };
        worker.Start();
        worker.WaitFor();
    }
    dispatcher.RunPending();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(doneCalled);
}

}  // namespace
}  // namespace tervaline::platform
