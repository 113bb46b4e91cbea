#include "WindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <chrono>
#include <thread>

#include "app/MainForm.h"
#include "engine/DbxScan.h"

namespace tervaline::testing {

void HoldAtFirstFind(app::TMainForm& form, TScanGate& gate) {
    form.OnScanCreated = [&gate](engine::TDBXScanThread& worker) {
        auto toWindow = worker.OnFound;
        worker.OnFound = [toWindow, &gate](engine::TDBXScanThread& sender, std::uint64_t address) {
            toWindow(sender, address);
            if (gate.Arrived.fetch_add(1) > 0) return;
            while (!gate.Open.load() && !sender.StopRequested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
    };
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
