// What a scan keeps beside its message files: each file dated by its Date
// field, the salvage report with the store's digest, and the mbox file. A
// build without the report's libraries keeps none of them, and says so when
// one is asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/CarvedMessage.h"
#include "engine/FoundMessage.h"
#include "engine/ScanMode.h"
#include "engine/ScanSettings.h"

namespace tervaline::platform {
class TUnsharedReadFile;
}

namespace tervaline::engine {

class TScanStop;

class TSalvageRecording {
public:
    struct TSetup {
        std::string OutputDir;  // without a trailing separator
        char Delimiter = '/';
        bool Report = false;
        std::string Mbox;      // empty: none
        std::string CodePage;  // of raw 8-bit header bytes, as the user names it
        std::string Store;
        std::uint64_t StoreSize = 0;
        TScanMode Mode = TScanMode::Shallow;
        std::int32_t ReadBuffer = 0;
    };

    virtual ~TSalvageRecording() = default;

    // After the file of Carved has been written as Found, on the writer
    // thread. Throws nothing: what fails is said in the report.
    virtual void Record(const TCarvedMessage& carved, const TFoundMessage& found) noexcept = 0;

    // Once the writing has ended: commits the mbox file and writes the
    // report of Outcome. Returns why either could not be written; empty
    // when both were (or none was asked for).
    virtual std::string Finish(const TScanOutcome& outcome, const std::string& storeSha256) noexcept = 0;
};

// SHA-256 of the store for the report's head, read while the scan runs.
// Destroying it gives up the reading, which must happen before the store
// it reads is closed.
class TStoreHashing {
public:
    virtual ~TStoreHashing() = default;
    // Waits for the whole store to be hashed: its digest, or empty when the
    // reading was given up.
    virtual std::string Result() = 0;
};

// Whether this build writes the report and the mbox file and dates the
// message files.
bool SalvageRecordingBuilt();

// Whether Name names a code page that raw header bytes can be read in.
bool IsKnownCodePage(const std::string& name);

// The recording Setup asks for; null where this build keeps none. Raises
// std::invalid_argument for a code page not known here, and for a report
// or an mbox file asked of a build that writes neither.
std::unique_ptr<TSalvageRecording> StartSalvageRecording(const TSalvageRecording::TSetup& setup);

// Starts hashing File, of Size bytes, when Setup asks for a report; null
// otherwise. A stop request makes it give up.
std::unique_ptr<TStoreHashing> StartStoreHashing(const TSalvageRecording::TSetup& setup,
                                                 platform::TUnsharedReadFile& file, const TScanStop& stop);

}  // namespace tervaline::engine
