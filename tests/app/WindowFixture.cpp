#include "WindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <chrono>
#include <memory>
#include <thread>

#include "app/MainForm.h"
#include "engine/DbxScan.h"

namespace tervaline::testing {

void HoldAtFirstFind(app::TMainForm& form, TScanGate& gate) {
    // The scan's events are made before the scan: they reach it through a
    // pointer set once it exists, before it starts.
    auto scan = std::make_shared<engine::TDBXScanThread*>(nullptr);
    form.WrapScanEvents = [&gate, scan](engine::TScanEvents& events) {
        events.Found = [toWindow = events.Found, &gate, scan](const engine::TFoundMessage& found) {
            toWindow(found);
            if (gate.Arrived.fetch_add(1) > 0) return;
            while (!gate.Open.load() && !(*scan)->StopRequested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
    };
    form.OnScanCreated = [scan](engine::TDBXScanThread& worker) { *scan = &worker; };
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

bool WaitForScanEnd(app::TMainForm& form) {
    return WaitUntil([&] { return form.ScanThread == nullptr && form.btnStart->isEnabled(); });
}

}  // namespace tervaline::testing
