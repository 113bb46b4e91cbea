// The recording of a build made without the report (TERVALINE_REPORT off):
// message files keep the time they were written, and a report or an mbox
// file asked for is refused before the scan begins rather than silently
// left out.
#include <stdexcept>

#include "engine/SalvageRecording.h"

namespace tervaline::engine {

bool SalvageRecordingBuilt() { return false; }

bool IsKnownCodePage(const std::string&) { return false; }

std::unique_ptr<TSalvageRecording> StartSalvageRecording(const TSalvageRecording::TSetup& setup) {
    if (setup.Report || !setup.Mbox.empty()) {
        throw std::invalid_argument("This build writes no salvage report and no mbox file");
    }
    return nullptr;
}

std::unique_ptr<TStoreHashing> StartStoreHashing(const TSalvageRecording::TSetup&, bool,
                                                 platform::TStoreSource&, const TScanStop&) {
    return nullptr;
}

}  // namespace tervaline::engine
