#include "WindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "engine/DbxScan.h"

namespace tervaline::testing {

ui::TMainWindowModel::TScanFactory HoldAtFirstFind(TScanGate& gate) {
    return [&gate](platform::TDispatcher& dispatcher, engine::TScanSettings settings, engine::TScanEvents events) {
        auto stopped = std::make_shared<std::atomic<platform::TThread*>>(nullptr);
        auto toWindow = events.Found;
        events.Found = [toWindow, &gate, stopped](const engine::TFoundMessage& message) {
            toWindow(message);
            if (gate.Arrived.fetch_add(1) > 0) return;
            while (!gate.Open.load() && !stopped->load()->StopRequested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        auto scan = std::make_unique<engine::TDBXScanThread>(dispatcher, std::move(settings), std::move(events));
        stopped->store(scan.get());
        return std::unique_ptr<platform::TThread>(std::move(scan));
    };
}

TOwnSettingsFolder::TOwnSettingsFolder() {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    had_ = saved != nullptr;
    if (had_) saved_ = saved;
    setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
}

TOwnSettingsFolder::~TOwnSettingsFolder() {
    if (had_) {
        setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace tervaline::testing
