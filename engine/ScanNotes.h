// What the user should be told at the end of a scan, beyond how it ended:
// decided here once from the outcome, and worded by each front end from
// the kind of note (the command line in English, the windows from their
// language file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ScanSettings.h"

namespace tervaline::engine {

enum class TScanNoteKind {
    Unwritten,         // Count messages were not written; Detail why the first was not
    Unreadable,        // Count places of the store, Total bytes, the disk could not read
    ReportFailed,      // Detail why the report or the mbox file could not be written
    WrittenBeside,     // Count messages written as NAME~1.eml beside other files of their name
    LeftoversRemoved,  // Count temporary files of an earlier, cut-short scan removed
    TrashHoldsMost,    // Count of the Total files written went to the trash
    NoSignature,       // nothing found in a file without the store's signature
};

struct TScanNote {
    TScanNoteKind Kind;
    std::uint64_t Count = 0;
    std::uint64_t Total = 0;
    std::string Detail;
};

// The notes that apply, losses first, in the order of the kinds above.
std::vector<TScanNote> ScanNotesOf(const TScanOutcome& outcome);

// Whether the note tells of mail lost to the salvage, rather than of
// something worth knowing.
bool IsLoss(const TScanNote& note);

// The note as one English sentence, as the command line prints it.
std::string EnglishNoteText(const TScanNote& note);

}  // namespace tervaline::engine
