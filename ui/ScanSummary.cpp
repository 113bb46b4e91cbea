#include "ui/ScanSummary.h"

#include <algorithm>
#include <string>

#include "engine/MessageFileName.h"
#include "engine/ScanNotes.h"
#include "engine/ScanVerdict.h"
#include "ui/DurationText.h"

namespace tervaline::ui {

namespace {

using engine::TScanNoteKind;
using engine::TScanVerdict;

std::string Number(std::uint64_t value) { return std::to_string(value); }

// A line of a box about several stores names the store it is about.
std::string AboutStore(const TFinishedScan& scan, bool severalStores, const std::string& text) {
    return severalStores ? scan.StoreName + ": " + text : text;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view separator) {
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty()) joined += separator;
        joined += line;
    }
    return joined;
}

std::string UnwrittenText(const TFinishedScan& scan, const engine::TScanNote& note, const TInterfaceTexts& texts) {
    std::vector<std::string> lines;
    for (const engine::TUnwrittenMessage& message : scan.Unwritten) {
        lines.push_back(texts.HexPrefix + engine::OffsetDigits(message.Address, scan.StoreSize) + ": " +
                        message.Reason);
    }
    if (note.Count > scan.Unwritten.size()) {
        lines.push_back(FormatText(texts.UnwrittenMore, {Number(note.Count - scan.Unwritten.size())}));
    }
    const std::string sentence = note.Count == 1 ? texts.UnwrittenOne : FormatText(texts.Unwritten, {Number(note.Count)});
    return sentence + std::string(kParagraph) + JoinLines(lines, kLineBreak);
}

// A note worded in the window's language; empty for the losses, which
// have boxes of their own.
std::string NoteText(const engine::TScanNote& note, const TInterfaceTexts& texts) {
    switch (note.Kind) {
        case TScanNoteKind::Unwritten:
        case TScanNoteKind::ReportFailed:
            return {};
        case TScanNoteKind::Unreadable:
            return FormatText(texts.Unreadable, {Number(note.Total), Number(note.Count)});
        case TScanNoteKind::WrittenBeside:
            return note.Count == 1 ? texts.WrittenBesideOne : FormatText(texts.WrittenBeside, {Number(note.Count)});
        case TScanNoteKind::LeftoversRemoved:
            return FormatText(texts.LeftoversRemoved, {Number(note.Count)});
        case TScanNoteKind::TrashHoldsMost:
            return FormatText(texts.TrashHoldsMost, {Number(note.Count), Number(note.Total)});
        case TScanNoteKind::NoSignature:
            break;
    }
    return texts.NoSignature;
}

// How the scans ended together: one that was stopped stopped them all;
// else the worst of the rest; none started only when none did.
TScanVerdict OverallVerdict(const std::vector<TFinishedScan>& scans) {
    bool anyStarted = false;
    bool anyFailed = false;
    for (const TFinishedScan& scan : scans) {
        const TScanVerdict verdict = engine::VerdictOf(scan.Outcome);
        if (verdict == TScanVerdict::Stopped) return verdict;
        anyStarted = anyStarted || verdict != TScanVerdict::NotStarted;
        anyFailed = anyFailed || verdict == TScanVerdict::Failed || verdict == TScanVerdict::NotStarted;
    }
    if (!anyStarted) return TScanVerdict::NotStarted;
    return anyFailed ? TScanVerdict::Failed : TScanVerdict::Completed;
}

}  // namespace

TScanSummary SummaryOf(const std::vector<TFinishedScan>& scans, std::chrono::milliseconds elapsed,
                       const TInterfaceTexts& texts) {
    TScanSummary summary;
    std::uint64_t found = 0;
    std::uint64_t inTrash = 0;
    for (const TFinishedScan& scan : scans) {
        found += scan.Outcome.Found;
        inTrash += scan.Outcome.FoundInTrash;
    }
    TStatusView& status = summary.Status;
    status.Line1 = Number(found) + " " + texts.FilesFound;
    status.Line2 = FormatText(texts.MailTrash, {Number(found - inTrash), Number(inTrash)});
    const int reached = scans.empty() ? 0 : scans.back().Permille;
    switch (OverallVerdict(scans)) {
        case TScanVerdict::NotStarted:
            status.Permille = 0;
            status.BarText = texts.DidNotStart;
            break;
        case TScanVerdict::Failed:
            status.Permille = reached;
            status.BarText = FormatText(texts.EndedEarly, {DurationText(elapsed)});
            break;
        case TScanVerdict::Stopped:
            // The bar stays where the scan got to.
            status.Permille = reached;
            status.BarText = FormatText(texts.Stopped, {Number(static_cast<std::uint64_t>(reached / 10)),
                                                        DurationText(elapsed)});
            break;
        case TScanVerdict::Completed:
            status.Permille = kFullBar;
            status.BarText = FormatText(texts.Finished, {DurationText(elapsed)});
            break;
    }

    const bool several = scans.size() > 1;
    std::vector<std::string> notStarted;
    std::vector<std::string> failed;
    std::vector<TUserMessage> losses;
    std::vector<std::string> notes;
    for (const TFinishedScan& scan : scans) {
        const TScanVerdict verdict = engine::VerdictOf(scan.Outcome);
        if (verdict == TScanVerdict::NotStarted) {
            notStarted.push_back(AboutStore(scan, several, scan.Outcome.FailureText));
            continue;
        }
        if (verdict == TScanVerdict::Failed && !scan.Outcome.FailureText.empty()) {
            failed.push_back(AboutStore(scan, several, scan.Outcome.FailureText));
        }
        const engine::TRecordCounts& records = scan.Outcome.Records;
        if (engine::StoreListsAny(records)) {
            notes.push_back(AboutStore(scan, several, FormatText(texts.Completeness, {Number(records.Listed),
                                                                                    Number(records.Recovered),
                                                                                    Number(records.Unlisted),
                                                                                    Number(records.UnlistedDeleted)})));
        }
        for (const engine::TScanNote& note : engine::ScanNotesOf(scan.Outcome)) {
            if (note.Kind == TScanNoteKind::Unwritten) {
                losses.push_back({TMessageKind::Error, AboutStore(scan, several, UnwrittenText(scan, note, texts))});
            } else if (note.Kind == TScanNoteKind::ReportFailed) {
                losses.push_back({TMessageKind::Error, AboutStore(scan, several, texts.ReportFailed +
                                                                                     std::string(kParagraph) +
                                                                                     note.Detail)});
            } else {
                notes.push_back(AboutStore(scan, several, NoteText(note, texts)));
            }
        }
    }
    if (!notStarted.empty()) {
        summary.Messages.push_back(
            {TMessageKind::Error, texts.NotStarted + std::string(kParagraph) + JoinLines(notStarted, kLineBreak)});
    }
    if (!failed.empty()) {
        summary.Messages.push_back(
            {TMessageKind::Error, texts.ScanFailed + std::string(kParagraph) + JoinLines(failed, kLineBreak)});
    }
    summary.Messages.insert(summary.Messages.end(), losses.begin(), losses.end());
    // What else the user should know goes in one box, a paragraph each.
    if (!notes.empty()) summary.Messages.push_back({TMessageKind::Information, JoinLines(notes, kParagraph)});
    return summary;
}

}  // namespace tervaline::ui
