#include "winapp/BuiltScans.h"

#include <memory>
#include <utility>

#include "engine/DbxScan.h"
#include "engine/SalvageRecording.h"

namespace tervaline::winapp {

bool ScanOptionsBuilt() { return engine::SalvageRecordingBuilt(); }

ui::TMainWindowModel::TScanFactory ScansThisBuildRuns(ui::TMainWindowModel::TScanFactory inner) {
    if (!inner) {
        inner = [](platform::TDispatcher& dispatcher, engine::TScanSettings settings, engine::TScanEvents events) {
            return std::unique_ptr<platform::TThread>(
                std::make_unique<engine::TDBXScanThread>(dispatcher, std::move(settings), std::move(events)));
        };
    }
    if (ScanOptionsBuilt()) return inner;
    return [inner = std::move(inner)](platform::TDispatcher& dispatcher, engine::TScanSettings settings,
                                      engine::TScanEvents events) {
        settings.Report = false;
        settings.HashStore = false;
        settings.Mbox.clear();
        settings.MboxAll = false;
        return inner(dispatcher, std::move(settings), std::move(events));
    };
}

}  // namespace tervaline::winapp
