// TDfxmlReport: the salvage described in Digital Forensics XML, for an
// examiner's tools: who wrote it and how it ran, the store it read, and one
// fileobject per message file written, with the byte runs of the store its
// bytes came from and its digests. Written as the messages come, under a
// temporary name, and named at the end, as the salvage report is.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/report/FileRuns.h"
#include "engine/report/SalvageReport.h"
#include "platform/FileSystem.h"
#include "platform/LibraryVersions.h"
#include "platform/XmlWriter.h"

namespace tervaline::platform {
class TCommittedFile;
}

namespace tervaline::engine {

// The namespace of what the document says beyond DFXML's own elements.
inline constexpr const char* kDfxmlOwnNamespace = "urn:x-tervaline:dfxml";

struct TDfxmlHead {
    std::string Program;
    std::string Version;
    std::vector<platform::TLibraryVersion> Libraries;
    std::string CommandLine;  // empty: none known
    std::string Started;      // ISO 8601 in UTC
    std::string Store;
    // Where the store is an evidence image: its format and the files that
    // hold it, in order; StoreSize is the size of the disk it holds.
    std::string ImageFormat;
    std::vector<std::string> Segments;
    std::uint64_t StoreSize = 0;
    std::string OutputDir;
    std::string Mode;
    std::string StoreAccess;  // what the scan did to the store; empty: not said
};

struct TDfxmlFile {
    std::string File;  // as the report names it
    std::uint64_t Size = 0;
    bool Deleted = false;
    // Seconds since 1970 UTC: the time the file is dated by, and where the
    // store's record survives, when the message was saved into its folder
    // (its ctime) and received (its crtime).
    std::optional<std::int64_t> DateSeconds;
    std::optional<std::int64_t> Saved;
    std::optional<std::int64_t> Received;
    std::vector<TFileRun> Runs;
    std::vector<TByteRange> Unreadable;  // where the disk cut the chain
    std::string Md5;
    std::string Sha256;
    std::string FoundBy;  // as the report names it (FoundByName)
    std::string Place;
    std::string Status;
    std::uint64_t Offset = 0;
};

class TDfxmlReport {
public:
    // Begins the document under a temporary name beside Path and writes its
    // head; raises EFileError as TCommittedFile does, and where this build
    // writes no XML.
    TDfxmlReport(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store,
                 const TDfxmlHead& head);
    ~TDfxmlReport();
    TDfxmlReport(const TDfxmlReport&) = delete;
    TDfxmlReport& operator=(const TDfxmlReport&) = delete;

    // False, and the file left out, when the disk has no room for it beside
    // the document's end; raises EFileError when a write fails.
    bool Add(const TDfxmlFile& file);
    // Writes how the scan ended and gives the document its name.
    void Finish(const TReportHead& head);

private:
    void WritePending();

    std::unique_ptr<platform::TCommittedFile> file_;
    std::string pending_;  // what the XML writer has handed on, not yet in the file
    std::unique_ptr<platform::TXmlWriter> xml_;
};

}  // namespace tervaline::engine
