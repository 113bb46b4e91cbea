// What a scan keeps beside its message files: each file dated by its Date
// field, the salvage report, and the mbox file. A build made without the
// report keeps none of them, and says so when one is asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/CarvedMessage.h"
#include "engine/FoundMessage.h"
#include "engine/ScanMode.h"
#include "engine/ScanSettings.h"
#include "platform/FileSystem.h"

namespace tervaline::platform {
class TStoreSource;
}

namespace tervaline::engine {

class TScanStop;

// The report's files in the output folder.
inline constexpr std::string_view kReportCsvName = "report.csv";
inline constexpr std::string_view kReportJsonName = "report.json";
// An examiner's run (TScanSettings::Forensic) writes these there too.
inline constexpr std::string_view kReportXmlName = "report.xml";
inline constexpr std::string_view kBodyFileName = "bodyfile.txt";

// Whether Name is one the report's files take in the output folder.
inline bool IsReportFileName(std::string_view name) {
    return name == kReportCsvName || name == kReportJsonName || name == kReportXmlName || name == kBodyFileName;
}

// The store's SHA-256 for the report's head, or why there is none.
struct TStoreDigestResult {
    std::string Sha256;   // lowercase hexadecimal; empty when not computed
    std::string Missing;  // why it was not, when it was not
};

class TSalvageRecording {
public:
    struct TSetup {
        std::string OutputDir;  // without a trailing separator; made and held by the scan
        std::string TrashDir;   // a folder name inside OutputDir
        char Delimiter = '/';
        bool Report = false;
        std::string Mbox;      // empty: none
        bool MboxAll = false;  // byte-identical copies too
        std::string CodePage;  // of raw 8-bit header bytes, as the user names it
        std::string Dfxml;     // the DFXML file; empty: none
        std::string BodyFile;  // the body file; empty: none
        // The report's head says that the store was opened read-only and
        // never written.
        bool Forensic = false;
        std::string CommandLine;  // as the user gave it; empty: not known
        std::string Store;
        // The folder whose messages the store holds, for the report: its
        // name in the folder list, or the store's file name standing for it.
        std::string Folder;
        std::uint64_t StoreSize = 0;
        // The store, which nothing written may replace.
        std::optional<platform::TFileIdentity> StoreIdentity;
        // What the store says of itself where it is an evidence image.
        std::optional<platform::TImageFacts> Image;
        TScanMode Mode = TScanMode::Shallow;
        std::int32_t ReadBuffer = 0;
        // Permission bits of the files and folders made, as for the messages.
        unsigned FileMode = 0600;
        unsigned FolderMode = 0700;
    };

    virtual ~TSalvageRecording() = default;

    // The moment a message's file is dated by, from the start of its text;
    // none when it has no Date field that parses. Cheap; any thread.
    virtual std::optional<std::int64_t> DateOf(std::string_view messageStart) const = 0;

    // After the file of Carved has been written as Found, on the writer
    // thread: takes the message over, text and open file, and records it
    // from those bytes on a thread of its own, waiting only while that
    // thread is a queue's length behind. Throws nothing: what fails is said
    // in the report.
    virtual void Record(TCarvedMessage& carved, const TFoundMessage& found) noexcept = 0;

    // Once the writing has ended: records what is still queued, commits the
    // mbox file and writes the report of Outcome. Returns why either could
    // not be written; empty when both were (or none was asked for).
    virtual std::string Finish(const TScanOutcome& outcome, const TStoreDigestResult& store) noexcept = 0;

    // Temporary files an earlier scan cut short left beside the mbox file,
    // and removed by this one.
    virtual std::uint64_t LeftoversRemoved() const = 0;
};

// SHA-256 of the store for the report's head, read while the scan runs.
// Destroying it gives up the reading, which must happen before the store
// it reads is closed.
class TStoreHashing {
public:
    virtual ~TStoreHashing() = default;
    // Waits for the whole store to be hashed: its digest, or why there is
    // none (the reading was given up, or failed).
    virtual TStoreDigestResult Result() = 0;
};

// Whether this build writes the report and the mbox file and dates the
// message files.
bool SalvageRecordingBuilt();

// Whether Name names a code page that raw header bytes can be read in.
bool IsKnownCodePage(const std::string& name);

// The recording Setup asks for, its files begun; null where this build
// keeps none. Raises std::invalid_argument for a code page not known here,
// and for a report or an mbox file asked of a build that writes neither;
// EFileError, before any message is written, where the report or the mbox
// file could not be written or would replace the store or what the scan
// writes.
std::unique_ptr<TSalvageRecording> StartSalvageRecording(const TSalvageRecording::TSetup& setup);

// Starts hashing File, of Size bytes, when Setup asks for a report or a
// DFXML file and HashStore for the store's digest; null otherwise. A stop request makes
// it give up.
std::unique_ptr<TStoreHashing> StartStoreHashing(const TSalvageRecording::TSetup& setup, bool hashStore,
                                                 platform::TStoreSource& file, const TScanStop& stop);

}  // namespace tervaline::engine
