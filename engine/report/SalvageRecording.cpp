// The recording of a build with the report: the salvage recorder and the
// store's digest.
#include "engine/SalvageRecording.h"

#include <stdexcept>

#include "engine/report/HeaderDecoder.h"
#include "engine/report/SalvageRecorder.h"
#include "engine/report/StoreDigest.h"

namespace tervaline::engine {

bool SalvageRecordingBuilt() { return true; }

bool IsKnownCodePage(const std::string& name) { return !CodePageCharset(name).empty(); }

std::unique_ptr<TSalvageRecording> StartSalvageRecording(const TSalvageRecording::TSetup& setup) {
    const std::string charset = CodePageCharset(setup.CodePage);
    if (charset.empty()) throw std::invalid_argument("The code page \"" + setup.CodePage + "\" is not known here");
    return std::make_unique<TSalvageRecorder>(setup, charset);
}

std::unique_ptr<TStoreHashing> StartStoreHashing(const TSalvageRecording::TSetup& setup, bool hashStore,
                                                 platform::TStoreSource& file, const TScanStop& stop) {
    if ((!setup.Report && setup.Dfxml.empty()) || !hashStore) return nullptr;
    return std::make_unique<TStoreDigest>(file, setup.StoreSize, stop);
}

}  // namespace tervaline::engine
