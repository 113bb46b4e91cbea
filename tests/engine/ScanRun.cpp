#include "tests/engine/ScanRun.h"

#include <memory>

#include "platform/Dispatcher.h"

namespace tervaline::testing {

TScanRun RunScan(const TScanSetup& setup) {
    platform::TQueueDispatcher dispatcher;
    TScanRun run;
    engine::TDBXScanThread* scan = nullptr;
    engine::TScanEvents events;
    events.Found = [&](const engine::TFoundMessage& found) {
        if (setup.OnFoundHook) setup.OnFoundHook(*scan, found);
        dispatcher.Post([&run, address = found.Address] { run.Found.push_back(address); });
    };
    events.Unwritten = [&](const engine::TUnwrittenMessage& unwritten) {
        if (setup.OnUnwrittenHook) setup.OnUnwrittenHook(*scan, unwritten);
    };
    events.Progress = [&](const engine::TScanProgress& progress) {
        if (setup.OnProgressHook) setup.OnProgressHook(*scan, progress);
        dispatcher.Post([&run, done = progress.Done] { run.Progress.push_back(done); });
    };
    events.Done = [&run](const engine::TScanOutcome& outcome) {
        ++run.DoneCount;
        run.Outcome = outcome;
    };
    auto worker = std::make_unique<engine::TDBXScanThread>(dispatcher, setup, std::move(events));
    if (setup.ProgressSteps != 0) engine::TDBXScanThreadPeer::SetProgressSteps(*worker, setup.ProgressSteps);
    scan = worker.get();
    platform::TThread::StartFreeOnDone(std::move(worker));
    dispatcher.RunUntil([&run] { return run.DoneCount > 0; });
    dispatcher.RunPending();  // nothing may follow Done; the check below sees it
    return run;
}

}  // namespace tervaline::testing
