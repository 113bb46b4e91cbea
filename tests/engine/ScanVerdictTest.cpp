#include <gtest/gtest.h>

#include <vector>

#include "engine/ScanNotes.h"
#include "engine/ScanVerdict.h"

namespace tervaline::engine {
namespace {

TScanOutcome Ran(bool reachedEnd, bool stopRequested = false, std::string failure = {}) {
    TScanOutcome outcome;
    outcome.Started = true;
    outcome.StoreSignature = true;
    outcome.ReachedEnd = reachedEnd;
    outcome.StopRequested = stopRequested;
    outcome.FailureText = std::move(failure);
    return outcome;
}

// One verdict over the outcome, and the notes that go with it, for every
// front end alike.
TEST(ScanVerdict, OutcomesGiveOneVerdictAndTheNotesThatApply) {
    TScanOutcome refused;
    refused.FailureText = "Cannot create the folder";
    TScanOutcome lateStop = Ran(true, true);
    TScanOutcome unwritten = Ran(true);
    unwritten.Unwritten = 2;
    unwritten.FirstUnwrittenReason = "disk full";
    TScanOutcome unreadable = Ran(true);
    unreadable.Unreadable = {{4096, 512, "Input/output error"}, {9000, 1024, "Input/output error"}};
    unreadable.UnreadableBytes = 1536;
    TScanOutcome mostlyTrash = Ran(true);
    mostlyTrash.Found = 500;
    mostlyTrash.FoundInTrash = 460;
    mostlyTrash.WrittenBeside = 1;
    mostlyTrash.LeftoversRemoved = 3;
    TScanOutcome notAStore = Ran(true);
    notAStore.StoreSignature = false;
    TScanOutcome notAStoreButMail = notAStore;
    notAStoreButMail.Carved = 1;
    TScanOutcome reportLost = Ran(false, true);
    reportLost.ReportFailure = "No space left on device";

    struct TCase {
        const char* what;
        TScanOutcome outcome;
        TScanVerdict verdict;
        bool losses;
        std::vector<TScanNoteKind> notes;
    };
    using K = TScanNoteKind;
    const TCase cases[] = {
        {"refused before reading", refused, TScanVerdict::NotStarted, false, {}},
        {"ended on an error", Ran(false, true, "Input/output error"), TScanVerdict::Failed, false, {}},
        {"stopped early", Ran(false, true), TScanVerdict::Stopped, false, {}},
        {"stop after the end", lateStop, TScanVerdict::Completed, false, {}},
        {"messages unwritten", unwritten, TScanVerdict::Completed, true, {K::Unwritten}},
        {"unreadable sectors", unreadable, TScanVerdict::Completed, true, {K::Unreadable}},
        {"mostly trash", mostlyTrash, TScanVerdict::Completed, false,
         {K::WrittenBeside, K::LeftoversRemoved, K::TrashHoldsMost}},
        {"not a store", notAStore, TScanVerdict::Completed, false, {K::NoSignature}},
        {"not a store, yet mail in it", notAStoreButMail, TScanVerdict::Completed, false, {}},
        {"report lost", reportLost, TScanVerdict::Stopped, true, {K::ReportFailed}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(VerdictOf(c.outcome), c.verdict) << c.what;
        EXPECT_EQ(HasLosses(c.outcome), c.losses) << c.what;
        std::vector<TScanNoteKind> kinds;
        for (const TScanNote& note : ScanNotesOf(c.outcome)) {
            kinds.push_back(note.Kind);
            EXPECT_EQ(IsLoss(note), c.losses && (note.Kind == K::Unwritten || note.Kind == K::Unreadable ||
                                                 note.Kind == K::ReportFailed))
                << c.what;
            EXPECT_FALSE(EnglishNoteText(note).empty()) << c.what;
        }
        EXPECT_EQ(kinds, c.notes) << c.what;
    }
    const std::vector<TScanNote> counted = ScanNotesOf(unreadable);
    ASSERT_FALSE(counted.empty());
    EXPECT_EQ(EnglishNoteText(counted[0]),
              "the disk could not read 1536 bytes of the store, in 2 places; the messages that lay there are lost "
              "or cut short");
}

}  // namespace
}  // namespace tervaline::engine
