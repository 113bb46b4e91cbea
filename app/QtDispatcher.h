// TQtDispatcher: carries a worker's notifications to the thread of the
// window's event loop, one at a time and in the order they were posted.
#pragma once

#include <QObject>

#include <functional>

#include "platform/Dispatcher.h"

namespace tervaline::app {

class TQtDispatcher final : public platform::TDispatcher {
public:
    // Calls run on the thread this dispatcher is created on.
    TQtDispatcher();

    void Post(std::function<void()> call) override;

    // Runs every call posted so far, at once, on the calling (owning)
    // thread; for a window that must not go away with calls still pending.
    void RunPending();

private:
    // The receiver of the posted calls: its thread is the one they run on.
    QObject context_;
};

}  // namespace tervaline::app
