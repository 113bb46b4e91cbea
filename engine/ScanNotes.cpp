#include "engine/ScanNotes.h"

namespace tervaline::engine {

namespace {

std::string Counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::vector<TScanNote> ScanNotesOf(const TScanOutcome& outcome) {
    std::vector<TScanNote> notes;
    if (outcome.Unwritten > 0) {
        notes.push_back({TScanNoteKind::Unwritten, outcome.Unwritten, 0, outcome.FirstUnwrittenReason});
    }
    if (!outcome.Unreadable.empty()) {
        notes.push_back({TScanNoteKind::Unreadable, outcome.Unreadable.size(), outcome.UnreadableBytes, {}});
    }
    if (!outcome.ReportFailure.empty()) notes.push_back({TScanNoteKind::ReportFailed, 0, 0, outcome.ReportFailure});
    if (outcome.WrittenBeside > 0) notes.push_back({TScanNoteKind::WrittenBeside, outcome.WrittenBeside, 0, {}});
    if (outcome.LeftoversRemoved > 0) {
        notes.push_back({TScanNoteKind::LeftoversRemoved, outcome.LeftoversRemoved, 0, {}});
    }
    // Index records and fragments of a damaged store can outnumber its mail
    // many times; they are kept, since a salvage does not guess, but a user
    // should know what the trash holds before wading through it.
    const std::uint64_t mail = outcome.Found - outcome.FoundInTrash;
    if (outcome.FoundInTrash >= 100 && outcome.FoundInTrash > 10 * mail) {
        notes.push_back({TScanNoteKind::TrashHoldsMost, outcome.FoundInTrash, outcome.Found, {}});
    }
    if (outcome.ReachedEnd && outcome.Carved == 0 && !outcome.StoreSignature) {
        notes.push_back({TScanNoteKind::NoSignature, 0, 0, {}});
    }
    return notes;
}

bool IsLoss(const TScanNote& note) {
    return note.Kind == TScanNoteKind::Unwritten || note.Kind == TScanNoteKind::Unreadable ||
           note.Kind == TScanNoteKind::ReportFailed;
}

std::string EnglishNoteText(const TScanNote& note) {
    switch (note.Kind) {
        case TScanNoteKind::Unwritten:
            if (note.Count == 1) return "1 message could not be written, because: " + note.Detail;
            return std::to_string(note.Count) + " messages could not be written; the first because: " + note.Detail;
        case TScanNoteKind::Unreadable:
            return "the disk could not read " + Counted(note.Total, "byte", "bytes") + " of the store, in " +
                   Counted(note.Count, "place", "places") + "; the messages that lay there are lost or cut short";
        case TScanNoteKind::ReportFailed:
            return note.Detail;
        case TScanNoteKind::WrittenBeside:
            if (note.Count == 1) {
                return "1 message was written beside a file of the same name with other bytes, as NAME~1.eml; "
                       "the file there was kept";
            }
            return std::to_string(note.Count) +
                   " messages were written beside files of the same name with other bytes, as NAME~1.eml "
                   "(~2, ...); the files there were kept";
        case TScanNoteKind::LeftoversRemoved:
            return "removed " + Counted(note.Count, "temporary file", "temporary files") +
                   " left by an earlier scan that was cut short";
        case TScanNoteKind::TrashHoldsMost:
            return std::to_string(note.Count) + " of the " + std::to_string(note.Total) +
                   " files written went to the trash folder: blocks that hold no mail (index records, "
                   "fragments), kept in case they hold something; the mail is in the output folder";
        case TScanNoteKind::NoSignature:
            break;
    }
    return "no mail store signature was found at the start of the file: it may not be a mail store";
}

}  // namespace tervaline::engine
