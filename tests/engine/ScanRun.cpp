#include "tests/engine/ScanRun.h"

#include <memory>

#include "platform/Dispatcher.h"

namespace tervaline::testing {

TScanRun RunScan(const TScanSetup& setup) {
    platform::TQueueDispatcher dispatcher;
    TScanRun run;
    auto worker = std::make_unique<engine::TDBXScanThread>(dispatcher);
    worker->OnFound = [&](engine::TDBXScanThread& sender, std::uint32_t address) {
        if (setup.OnFoundHook) setup.OnFoundHook(sender, address);
        dispatcher.Post([&run, address] { run.Found.push_back(address); });
    };
    worker->OnProgress = [&](engine::TDBXScanThread& sender, std::uint32_t position) {
        if (setup.OnProgressHook) setup.OnProgressHook(sender, position);
        dispatcher.Post([&run, position] { run.Progress.push_back(position); });
    };
    worker->OnDone = [&run](platform::TThread& sender) {
        auto& scan = static_cast<engine::TDBXScanThread&>(sender);
        ++run.DoneCount;
        run.Failure = scan.FailureText();
        run.Unwritten = scan.UnwrittenCount();
        run.FirstUnwrittenReason = scan.FirstUnwrittenReason();
    };
    worker->SourceFile = setup.Source;
    worker->SetOutputDir(setup.Output);
    worker->SetTrashDir(setup.Trash);
    worker->SetScanMode(setup.Mode);
    worker->BufferSize = setup.BufferSize;
    worker->ProgressSteps = setup.ProgressSteps;
    platform::TThread::StartFreeOnDone(std::move(worker));
    dispatcher.RunUntil([&run] { return run.DoneCount > 0; });
    dispatcher.RunPending();  // nothing may follow OnDone; the check below sees it
    return run;
}

}  // namespace tervaline::testing
