// What a scan is asked to do and what it did: one settings value in, one
// outcome value out, shared by the command line, the window, the tests,
// the benchmark and the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/RecordCounts.h"
#include "engine/ScanMode.h"
#include "engine/UnreadableAreas.h"
#include "engine/records/MessageRecord.h"
#include "engine/records/TreeWalk.h"
#include "platform/PathSyntax.h"

namespace tervaline::engine {

// The trash subfolder's name when none is given.
inline constexpr const char* kDefaultTrashName = "trash";

struct TScanSettings {
    std::string Source;
    // A folder without a drive part or leading separator is taken inside
    // the store's folder; empty means DefaultOutputFolder.
    std::string Output;
    std::string Trash = kDefaultTrashName;  // a name inside Output; empty means kDefaultTrashName
    TScanMode Mode = TScanMode::Shallow;
    std::int32_t BufferSize = 10 * 1024;  // bytes
    // The salvage report (report.csv and report.json in Output); the front
    // ends ask for it, the engine's own users mostly do not.
    bool Report = false;
    // The store's SHA-256 in the report's head: the whole store read once
    // more, which costs more than the rest of the report.
    bool HashStore = false;
    // Also gather the output folder's messages into this mbox file; a
    // message byte-identical to one already in it is left out unless
    // MboxAll.
    std::string Mbox;
    bool MboxAll = false;
    // The code page raw 8-bit header bytes are read in, for the report: a
    // number (932) or a charset name the system knows.
    std::string CodePage = "932";
    // The mail folder the store holds as the folder list beside it names
    // it, from the top folder down, parts joined by "/"; empty: the store's
    // file name stands for it.
    std::string Folder;
    // An examiner's account of the salvage: DFXML (the written files with
    // the byte runs of the store they came from) and a body file for
    // timeline tools; empty: none.
    std::string Dfxml;
    std::string BodyFile;
    // An examiner's run: the report with the store's digest, DFXML and the
    // body file in the output folder where not named apart, and the
    // report's head saying that the store was opened read-only and never
    // written.
    bool Forensic = false;
    // The command line the scan was asked for by, for the DFXML file.
    std::string CommandLine;
};

struct TScanOutcome {
    // Why the scan ended early, or did not start; empty when it ran to its
    // end or to a stop.
    std::string FailureText;
    // The store was opened and the output folder made: false when the scan
    // was refused before it read anything, and then nothing was written.
    bool Started = false;
    // A stop was asked for, whether or not it came before the end.
    bool StopRequested = false;
    std::uint64_t Found = 0;      // message files written, or found already there with the same bytes
    std::uint64_t FoundInTrash = 0;  // of them, in the trash folder
    std::uint64_t Carved = 0;     // messages found: chains carved and handed on to be written
    std::uint64_t Unwritten = 0;  // chains carved but not written, for a reason of their own
    std::string FirstUnwrittenReason;
    // Messages written as NAME~1.eml (~2, ...) because a file with other
    // bytes had their name; that file was kept.
    std::uint64_t WrittenBeside = 0;
    // Temporary files that a scan cut short had left in the folders
    // written, removed by this one.
    std::uint64_t LeftoversRemoved = 0;
    bool StoreSignature = false;  // the file begins with the mail store's signature
    // Every chain up to the end of the store was carved and handed on to be
    // written: false after a stop that came first, also when no failure.
    bool ReachedEnd = false;
    // Why the report or the mbox file could not be written; empty when
    // they were, or none was asked for.
    std::string ReportFailure;
    // How far the search had come in the store: where a stopped scan stopped.
    std::uint64_t SearchedTo = 0;
    // The areas of the store the disk could not read, each once, in offset
    // order with the system's reason, and their bytes together; the scan
    // read on past them.
    std::vector<TUnreadableArea> Unreadable;
    std::uint64_t UnreadableBytes = 0;
    // What the store's own records say of the salvage's completeness (read
    // in Deep mode and whenever a report is asked for), the records whose
    // chain could not be read, and where the store's structures broke.
    TRecordCounts Records;
    std::vector<TMessageRecord> NotRecovered;
    std::vector<TRecordBreak> RecordBreaks;
};

// The output folder a store's messages go to when none is given: the
// store's path without its extension, or, where that would be the store
// itself or a folder of its (a store without an extension, or named only
// by one, or by dots), the store's path with ".salvaged" added; for a disk,
// its name with ".salvaged" added in the current folder. Raises EFileError
// for a disk when there is no current folder.
std::string DefaultOutputFolder(platform::TPathSyntax syntax, const std::string& store);

// Where the mbox of a store's messages goes when the user asks for one
// without naming it: OutputDir/NAME.mbox, NAME the store's file name
// without its extension.
std::string DefaultMboxPath(platform::TPathSyntax syntax, const std::string& outputDir, const std::string& store);

}  // namespace tervaline::engine
