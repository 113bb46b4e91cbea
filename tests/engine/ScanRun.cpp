#include "tests/engine/ScanRun.h"

#include <memory>

#include "platform/Dispatcher.h"

namespace tervaline::testing {

TScanRun RunScan(const TScanSetup& setup) {
    platform::TQueueDispatcher dispatcher;
    TScanRun run;
    auto worker = std::make_unique<engine::TDBXScanThread>(dispatcher);
    worker->OnFound = [&](engine::TDBXScanThread& sender, std::uint64_t address) {
        if (setup.OnFoundHook) setup.OnFoundHook(sender, address);
        dispatcher.Post([&run, address] { run.Found.push_back(address); });
    };
    worker->OnUnwritten = [&](engine::TDBXScanThread& sender, std::uint64_t address) {
        if (setup.OnUnwrittenHook) setup.OnUnwrittenHook(sender, address);
    };
    worker->OnProgress = [&](engine::TDBXScanThread& sender, std::uint64_t position) {
        if (setup.OnProgressHook) setup.OnProgressHook(sender, position);
        dispatcher.Post([&run, position] { run.Progress.push_back(position); });
    };
    worker->OnDone = [&run](platform::TThread& sender) {
        ++run.DoneCount;
        run.Outcome = engine::TDBXScanThread::OutcomeOf(sender);
    };
    engine::ApplyScanSettings(*worker, setup);
    platform::TThread::StartFreeOnDone(std::move(worker));
    dispatcher.RunUntil([&run] { return run.DoneCount > 0; });
    dispatcher.RunPending();  // nothing may follow OnDone; the check below sees it
    return run;
}

}  // namespace tervaline::testing
