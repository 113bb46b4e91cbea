// How the window sums a scan up at its end: the status line, the bar, and
// the boxes, in the window's language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ScanSummary.h"

namespace tervaline::ui {
namespace {

using namespace std::chrono_literals;

engine::TScanOutcome Ran(std::uint64_t found, std::uint64_t inTrash, bool reachedEnd = true) {
    engine::TScanOutcome outcome;
    outcome.Started = true;
    outcome.Found = outcome.Carved = found;
    outcome.FoundInTrash = inTrash;
    outcome.StoreSignature = true;
    outcome.ReachedEnd = reachedEnd;
    return outcome;
}

TFinishedScan Scan(engine::TScanOutcome outcome, int permille = kFullBar, std::string name = "Inbox.dbx") {
    TFinishedScan scan;
    scan.StoreName = std::move(name);
    scan.Outcome = std::move(outcome);
    scan.Permille = permille;
    return scan;
}

TEST(ScanSummaryTest, TheBarSaysHowTheScanEndedAndTheBoxesWhatTheUserShouldKnow) {
    const TUserMessage notStarted{TMessageKind::Error,
                                  "The scan did not start:\r\n\r\nCannot create the folder \"/x/out\": Not a directory"};
    engine::TScanOutcome refused;
    refused.FailureText = "Cannot create the folder \"/x/out\": Not a directory";
    engine::TScanOutcome stopped = Ran(4, 1, false);
    stopped.StopRequested = true;
    engine::TScanOutcome failed = Ran(2, 0, false);
    failed.FailureText = "Read error";
    engine::TScanOutcome lateStop = Ran(3, 0);
    lateStop.StopRequested = true;
    engine::TScanOutcome noted = Ran(2, 0);
    noted.WrittenBeside = 2;
    noted.LeftoversRemoved = 1;
    noted.Unreadable = {{0x3000, 1024, "Input/output error"}, {0x4000, 512, "Input/output error"}};
    noted.UnreadableBytes = 1536;
    engine::TScanOutcome unsigned_ = Ran(0, 0);
    unsigned_.StoreSignature = false;
    engine::TScanOutcome trashy = Ran(220, 210);
    engine::TScanOutcome counted = Ran(61, 0);
    counted.Records = {true, 60, 56, 5, 5, 60};
    engine::TScanOutcome lost = Ran(3, 0);
    lost.Unwritten = 22;
    lost.ReportFailure = "No space left on device";
    std::vector<engine::TUnwrittenMessage> listed;
    for (std::uint64_t i = 0; i < kListedUnwritten; ++i) listed.push_back({0x2AD4 + i * 0x210, "Disk full"});
    std::string unwrittenLines = "22 messages could not be written:\r\n\r\n";
    for (std::uint64_t i = 0; i < kListedUnwritten; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "0x%08llX: Disk full\r\n", 0x2AD4ull + i * 0x210);
        unwrittenLines += line;
    }
    unwrittenLines += "... and 2 more.";

    struct TCase {
        const char* Name;
        std::vector<TFinishedScan> Scans;
        TStatusView Status;
        std::vector<TUserMessage> Messages;
    };
    std::vector<TCase> cases = {
        {"completed", {Scan(Ran(4, 1))}, {"4 files found", "(3 mail, 1 trash)", kFullBar, "Finished in 1:05"}, {}},
        {"not started", {Scan(refused, 0)}, {"0 files found", "(0 mail, 0 trash)", 0, "Did not start"}, {notStarted}},
        {"stopped", {Scan(stopped, 420)}, {"4 files found", "(3 mail, 1 trash)", 420, "Stopped at 42% after 1:05"}, {}},
        {"a stop after the end lost nothing",
         {Scan(lateStop)},
         {"3 files found", "(3 mail, 0 trash)", kFullBar, "Finished in 1:05"},
         {}},
        {"failed",
         {Scan(failed, 300)},
         {"2 files found", "(2 mail, 0 trash)", 300, "Ended early after 1:05"},
         {{TMessageKind::Error, "The scan ended early:\r\n\r\nRead error"}}},
        {"notes in one box",
         {Scan(noted)},
         {"2 files found", "(2 mail, 0 trash)", kFullBar, "Finished in 1:05"},
         {{TMessageKind::Information,
           "The disk could not read parts of the store, so the messages that lay there are lost or cut short. "
           "Unreadable bytes: 1536; places: 2.\r\n\r\n2 messages met files of the same name with other bytes in "
           "the output folder. The files there were kept and the messages written beside them, as NAME~1.eml (~2, "
           "...).\r\n\r\nTemporary files left by an earlier scan that was cut short were removed: 1."}}},
        {"no signature", {Scan(unsigned_)}, {"0 files found", "(0 mail, 0 trash)", kFullBar, "Finished in 1:05"},
         {{TMessageKind::Information, TInterfaceTexts{}.NoSignature}}},
        {"a trash many times the mail",
         {Scan(trashy)},
         {"220 files found", "(10 mail, 210 trash)", kFullBar, "Finished in 1:05"},
         {{TMessageKind::Information,
           "210 of the 220 files written went to the trash folder: blocks that hold no mail (index records, "
           "fragments), kept in case they hold something. The mail is in the output folder."}}},
        {"losses each in a box",
         {Scan(lost)},
         {"3 files found", "(3 mail, 0 trash)", kFullBar, "Finished in 1:05"},
         {{TMessageKind::Error, unwrittenLines},
          {TMessageKind::Error, "The report or the mbox file could not be written:\r\n\r\nNo space left on device"}}},
        {"the store's own count",
         {Scan(counted)},
         {"61 files found", "(61 mail, 0 trash)", kFullBar, "Finished in 1:05"},
         {{TMessageKind::Information,
           "The store lists 60 messages; 56 of them recovered; 5 more found that it no longer lists (5 deleted)."}}},
        // A folder's stores: the counts added up, each box naming its store.
        {"a folder",
         {Scan(Ran(4, 1), kFullBar, "A.dbx"), Scan(refused, 0, "B.dbx"), Scan(unsigned_, kFullBar, "C.dbx")},
         {"4 files found", "(3 mail, 1 trash)", kFullBar, "Ended early after 1:05"},
         {{TMessageKind::Error, "The scan did not start:\r\n\r\nB.dbx: " + refused.FailureText},
          {TMessageKind::Information, "C.dbx: " + TInterfaceTexts{}.NoSignature}}},
    };
    cases[8].Scans[0].Unwritten = listed;
    for (const auto& c : cases) {
        const TScanSummary summary = SummaryOf(c.Scans, 65s, TInterfaceTexts{});
        EXPECT_EQ(summary.Status, c.Status) << c.Name << ": " << summary.Status.BarText;
        EXPECT_EQ(summary.Messages, c.Messages) << c.Name;
    }
}

}  // namespace
}  // namespace tervaline::ui
