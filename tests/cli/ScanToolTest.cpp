// Runs the tervaline-scan program itself on generated stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/SalvageRecording.h"
#include "platform/EwfImage.h"
#include "platform/FileSystem.h"
#include "platform/XmlWriter.h"
#include "tests/cli/ToolRun.h"
#include "tests/support/TempDir.h"
#include "tools/RecordBuilder.h"
#include "tools/StoreBuilder.h"

namespace tervaline::cli {
namespace {

using testing::ListFiles;
using testing::Quote;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::TToolResult;
using testing::TTempDir;
using tools::TStoreBuilder;

// The files a scan writes beside its messages, where the build writes them.
std::vector<std::string> WithReport(std::vector<std::string> files) {
    if (engine::SalvageRecordingBuilt()) {
        files.push_back("report.csv");
        files.push_back("report.json");
    }
    return files;
}

class ScanTool : public ::testing::Test {
protected:
    void SetUp() override {
        TStoreBuilder store(true);
        first_ = tools::MakeMailText(1, 300);
        second_ = tools::MakeMailText(2, 1500);
        store.AddMessage(first_);
        store.AddZeros(1000);
        secondAt_ = store.AddMessage(second_);
        store.WriteTo(dir_ / "Inbox.dbx");
    }
    TTempDir dir_;
    std::string first_, second_;
    std::uint32_t secondAt_ = 0;
};

// The store's sibling folder, named after it without its extension; never
// the store itself nor its folder, and the folder chosen is said.
TEST_F(ScanTool, SalvagesIntoTheStoresSiblingFolderByDefault) {
    const std::string bytes = ReadFileBytes(dir_ / "Inbox.dbx");
    char second[16];
    std::snprintf(second, sizeof second, "%08X.eml", secondAt_);
    for (const auto& [store, folder] : std::vector<std::pair<std::string, std::string>>{
             {"Inbox.dbx", "Inbox"}, {"Sent", "Sent.salvaged"}, {".dbx", ".dbx.salvaged"}}) {
        testing::WriteFileBytes(dir_ / store, bytes);
        auto r = RunTool(dir_, Quote(dir_ / store));
        ASSERT_EQ(r.status, 0) << store << ": " << r.err;
        EXPECT_EQ(ListFiles(dir_.Path() / folder), WithReport({"00002AD4.eml", second})) << store;
        EXPECT_EQ(ReadFileBytes(dir_.Path() / folder / "00002AD4.eml"), first_);
        EXPECT_EQ(ReadFileBytes(dir_.Path() / folder / second), second_);
        EXPECT_EQ(r.out.rfind("output folder: " + (dir_ / folder) + "\n", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("0x00002AD4"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("2 messages found, 2 written\n"), std::string::npos) << r.out;
        EXPECT_EQ(ReadFileBytes(dir_ / store), bytes) << store;
    }
}

// An E01 image is scanned as the disk it holds, its messages named and
// printed by their offsets in that disk, and what it records of itself
// heads the output.
TEST_F(ScanTool, AnE01ImageIsScannedAsItsDiskAndHeadedByItsFacts) {
    if (!platform::EwfImagesRead()) GTEST_SKIP() << "this build reads no E01 images";
    if (std::system("ewfacquire -V >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ewfacquire (Debian's ewf-tools) is not installed; tools/install-deps.sh installs it";
    }
    constexpr std::uint32_t kAt = 4099;
    std::string disk(64 * 1024, '\0');
    disk.replace(kAt, std::string::npos, ReadFileBytes(dir_ / "Inbox.dbx"));
    disk.resize((disk.size() + 511) / 512 * 512, '\0');
    testing::WriteFileBytes(dir_ / "disk.raw", disk);
    const std::string acquire = "cd " + Quote(dir_.Path().string()) +
                                " && ewfacquire -u -q -t disk -C 'C-26' disk.raw >/dev/null 2>&1";
    ASSERT_EQ(std::system(acquire.c_str()), 0);
    auto r = RunTool(dir_, "--mode deep " + Quote(dir_ / "disk.E01"));
    ASSERT_EQ(r.status, 0) << r.err;
    char first[16];
    std::snprintf(first, sizeof first, "%08X.eml", 0x2AD4 + kAt);
    EXPECT_EQ(ReadFileBytes(dir_.Path() / "disk" / first), first_);
    EXPECT_NE(r.out.find("\nEWF image in 1 segment file, of a disk of " + std::to_string(disk.size()) + " bytes\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n  case_number: C-26\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n0x" + std::string(first, 8) + " "), std::string::npos) << r.out;
}

TEST_F(ScanTool, RelativeOutputIsTakenFromTheCurrentFolder) {
    ASSERT_EQ(testing::RunToolIn(dir_, dir_.Path().string(), "--quiet Inbox.dbx saved").status, 0);
    char second[16];
    std::snprintf(second, sizeof second, "%08X.eml", secondAt_);
    EXPECT_EQ(ListFiles(dir_.Path() / "saved"), WithReport({"00002AD4.eml", second}));

    // An examiner's run: its files in the output folder but the one named
    // apart, which is taken from the current folder too.
    const auto examined = testing::RunToolIn(dir_, dir_.Path().string(),
                                             "--quiet --forensic --bodyfile t.body Inbox.dbx examined");
    if (!platform::XmlWriterBuilt() || !engine::SalvageRecordingBuilt()) {
        EXPECT_EQ(examined.status, 2);
        EXPECT_NE(examined.err.find(engine::SalvageRecordingBuilt() ? "does not write DFXML" : "made without them"),
                  std::string::npos)
            << examined.err;
        return;
    }
    ASSERT_EQ(examined.status, 0) << examined.err;
    EXPECT_EQ(ListFiles(dir_.Path() / "examined"),
              (std::vector<std::string>{"00002AD4.eml", second, "report.csv", "report.json", "report.xml"}));
    const std::string body = ReadFileBytes(dir_ / "t.body");
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 2) << body;
}

TEST_F(ScanTool, QuietPrintsOnlyTheCount) {
    auto r = RunTool(dir_, "--quiet " + Quote(dir_ / "Inbox.dbx") + " " + Quote(dir_ / "o"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2 messages found, 2 written\n");
}

TEST_F(ScanTool, FailuresAreSaidAndEndWithStatusOne) {
    auto missing = RunTool(dir_, Quote(dir_ / "none.dbx"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.dbx"), std::string::npos) << missing.err;
    EXPECT_NE(missing.out.find("0 messages found, 0 written"), std::string::npos);

    testing::WriteFileBytes(dir_ / "plain", "x");
    auto unwritable = RunTool(dir_, Quote(dir_ / "Inbox.dbx") + " " + Quote(dir_ / "plain/out"));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("the scan did not start: Cannot create the folder"), std::string::npos) << unwritable.err;

    platform::TUnsharedReadFile held(dir_ / "Inbox.dbx");
    auto locked = RunTool(dir_, Quote(dir_ / "Inbox.dbx"));
    EXPECT_EQ(locked.status, 1);
    EXPECT_NE(locked.err.find("in use"), std::string::npos) << locked.err;
}

TEST_F(ScanTool, BadUsageEndsWithStatusTwo) {
    EXPECT_EQ(RunTool(dir_, "").status, 2);
    EXPECT_EQ(RunTool(dir_, "--buffer 3 x").status, 2);
    auto help = RunTool(dir_, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tervaline-scan"), std::string::npos);
}

TEST_F(ScanTool, InterruptStopsTheScanWithStatus130) {
    TStoreBuilder big(true);
    for (int i = 0; i < 200; ++i) {
        big.AddMessage(tools::MakeMailText(i, 2000));
        big.AddZeros(400000);
    }
    big.WriteTo(dir_ / "big.dbx");
    // SIGINT arrives once the scan is under way.
    const TToolResult r = testing::SignalToolMidScan(dir_, dir_ / "big.dbx", dir_ / "bigout", "INT");
    if (r.status == -1 && !TERVALINE_POSIX) GTEST_SKIP() << "no console event passes from one program to another here (Wine); "
                                                         "tools/compare-windows-salvage.sh presses Ctrl-C in a terminal";
    const int status = r.status;
    const std::string& out = r.out;
    const std::size_t written = testing::ListMessageFiles(dir_.Path() / "bigout").size();
    EXPECT_EQ(status, 130) << out;
    EXPECT_LT(written, 200u);
    EXPECT_NE(out.find(", " + std::to_string(written) + " written\n"), std::string::npos) << out;
    if (!engine::SalvageRecordingBuilt()) return;
    // The report is whole and says the scan was stopped.
    const std::string report = ReadFileBytes(dir_.Path() / "bigout" / "report.json");
    EXPECT_NE(report.find("\"outcome\": \"stopped\""), std::string::npos) << report.substr(0, 1500);
    EXPECT_NE(report.find("\"reached_end\": false"), std::string::npos);
    EXPECT_NE(report.find("\"output\": " + std::to_string(written) + ","), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 2), "}\n");
    EXPECT_EQ(ListFiles(dir_.Path() / "bigout").size(), written + 2);
}

// A folder of stores: each *.dbx in name order, into a folder of its own,
// with a line per store and the worst exit status of them all.
TEST_F(ScanTool, FolderOfStoresIsScannedStoreByStore) {
    const auto mail = dir_.Path() / "Mail";
    std::filesystem::create_directories(mail / "Folder.dbx");
    std::filesystem::copy_file(dir_ / "Inbox.dbx", mail / "Inbox.dbx");
    std::filesystem::copy_file(dir_ / "Inbox.dbx", mail / "SENT.DBX");
    // Named like another but for case (where names may differ so): a folder
    // and an mbox file of its own.
    const bool cased = TERVALINE_POSIX;
    if (cased) std::filesystem::copy_file(dir_ / "Inbox.dbx", mail / "sent.dbx");
    testing::WriteFileBytes((mail / "notes.txt").string(), "not a store");
    // Its output folder's name is taken by a file: nothing can be written.
    std::filesystem::copy_file(dir_ / "Inbox.dbx", mail / "Broken.dbx");
    testing::WriteFileBytes((mail / "Broken").string(), "in the way");
    const bool mbox = engine::SalvageRecordingBuilt();
    auto r = RunTool(dir_, (mbox ? "--quiet --mbox " + Quote(dir_ / "boxes") : std::string("--quiet")) + " " +
                               Quote(mail.string()));
    EXPECT_EQ(r.status, 1) << r.err;  // one store fails; the others still run
    EXPECT_EQ(r.out, std::string("Broken.dbx: 0 messages found, 0 written\nInbox.dbx: 2 messages found, 2 written\n"
                                 "SENT.DBX: 2 messages found, 2 written\n") +
                         (cased ? "sent.dbx: 2 messages found, 2 written\n" : ""));
    EXPECT_EQ(r.err.find("sent.dbx: into \"sent~1\", since another store's messages go to \"sent\"") !=
                  std::string::npos,
              cased)
        << r.err;
    EXPECT_EQ(testing::ListMessageFiles(mail / "Inbox").size(), 2u);
    EXPECT_EQ(testing::ListMessageFiles(mail / "SENT").size(), 2u);
    EXPECT_EQ(testing::ListMessageFiles(mail / "sent~1").size(), cased ? 2u : 0u);
    if (mbox) {
        EXPECT_TRUE(std::filesystem::exists(mail / "SENT" / "report.csv"));
        // The store whose output cannot be made is refused before its scan.
        std::vector<std::string> boxes = {"Inbox.mbox", "SENT.mbox"};
        if (cased) boxes.push_back("sent~1.mbox");
        EXPECT_EQ(ListFiles(dir_.Path() / "boxes"), boxes);
        std::string firstWithLf = first_;
        for (std::size_t at = 0; (at = firstWithLf.find("\r\n", at)) != std::string::npos;) firstWithLf.erase(at, 1);
        EXPECT_NE(ReadFileBytes(dir_.Path() / "boxes" / "SENT.mbox").find(firstWithLf), std::string::npos);
    }

    auto healthy = RunTool(dir_, std::string(mbox ? "--quiet --no-report " : "--quiet ") + Quote(mail.string()) +
                                     " " + Quote(dir_ / "all"));
    EXPECT_EQ(healthy.status, 0) << healthy.err;
    EXPECT_EQ(ListFiles(dir_.Path() / "all" / "Inbox"), testing::ListMessageFiles(mail / "Inbox"));
}

// With the folder list beside them, each store goes where its mail folder
// stands in the list, under the name it has there now (made safe for the
// file system), and the mbox files make the tree mail programs import.
TEST_F(ScanTool, AFolderListNamesAndNestsTheOutputAndTheMboxTree) {
    namespace fs = std::filesystem;
    const auto mail = dir_.Path() / "Mail";
    fs::create_directories(mail);
    // The top folder holds the others only; "Folder1.dbx" was renamed in
    // the program; "Family" and "Q1" are nested; Unlisted.dbx is in no list.
    const std::vector<tools::TFolderSpec> folders = {
        {1, 0, "Local Folders", "", 0},          {2, 1, "Inbox", "Inbox.dbx", 1},
        {3, 1, "Sent Items", "Sent Items.dbx", 2}, {4, 1, "Old Friends", "Folder1.dbx", 3},
        {5, 2, "Family", "Family.dbx", 0},       {6, 1, "Work: 2024", "", 4},
        {7, 6, "Q1/Q2?", "Folder2.dbx", 0},
    };
    tools::TRecordBuilder::FolderList(folders).WriteTo(dir_ / "Mail/Folders.dbx");
    for (const char* store : {"Sent Items.dbx", "Folder1.dbx", "Family.dbx", "Folder2.dbx", "Unlisted.dbx"}) {
        fs::copy_file(dir_ / "Inbox.dbx", mail / store);
    }
    // The inbox keeps its records: one message read and answered, one new.
    TStoreBuilder inbox(true);
    const std::uint32_t read = inbox.AddMessage(first_);
    const std::uint32_t unread = inbox.AddMessage(second_);
    tools::TMessageSpec answered, fresh;
    answered.FirstBlock = read;
    answered.Flags = 0x80 | 0x80000;
    fresh.FirstBlock = unread;
    const std::uint32_t records[] = {
        tools::TRecordBuilder::AddRecord(inbox, tools::TRecordBuilder::MessageFields(answered)),
        tools::TRecordBuilder::AddRecord(inbox, tools::TRecordBuilder::MessageFields(fresh))};
    tools::TRecordBuilder::SetTree(inbox, tools::TRecordBuilder::AddTree(inbox, {records[0], records[1]}), 2);
    inbox.WriteTo(dir_ / "Mail/Inbox.dbx");

    // Given alone, the list is shown as the tree it is.
    const auto tree = RunTool(dir_, Quote(dir_ / "Mail/Folders.dbx"));
    EXPECT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(tree.out.substr(tree.out.find(" lists ")),
              " lists 7 folders:\n  Local Folders\n    Inbox (Inbox.dbx)\n      Family (Family.dbx)\n"
              "    Sent Items (Sent Items.dbx)\n    Old Friends (Folder1.dbx)\n    Work: 2024\n"
              "      Q1/Q2? (Folder2.dbx)\n");
    EXPECT_FALSE(fs::exists(mail / "Folders"));

    const bool mbox = engine::SalvageRecordingBuilt();
    const std::string files =
        mbox ? "--mbox " + Quote(dir_ / "boxes") + " --bodyfile " + Quote(dir_ / "times") + " " : std::string();
    const auto r = RunTool(dir_, "--quiet " + files + Quote(mail.string()) + " " + Quote(dir_ / "out"));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* folder : {"Inbox", "Inbox/Family", "Sent Items", "Old Friends", "Work_ 2024/Q1_Q2_", "Unlisted"}) {
        EXPECT_EQ(testing::ListMessageFiles(dir_.Path() / "out" / folder).size(), 2u) << folder;
    }
    EXPECT_FALSE(fs::exists(dir_.Path() / "out" / "Folders"));
    if (!mbox) return;
    // The inbox's line says how complete its salvage is by its records.
    EXPECT_NE(r.out.find("Inbox.dbx: the store lists 2 messages; 2 of them recovered; 0 more found that it no "
                         "longer lists (0 deleted)\n"),
              std::string::npos)
        << r.out;
    // A nested folder's body file stands where its messages do.
    EXPECT_TRUE(fs::exists(dir_.Path() / "times/Inbox/Family.body"));
    // The report keeps the folder's own name.
    EXPECT_NE(ReadFileBytes(dir_.Path() / "out/Work_ 2024/Q1_Q2_/report.json").find("\"Work: 2024/Q1/Q2?\""),
              std::string::npos);
#ifndef _WIN32
    // Python's mailbox module, as importers use it, reads the tree, and
    // the state of the inbox's messages.
    const std::string check =
        "import mailbox, os, sys\n"
        "root = sys.argv[1]\n"
        "for name in ['Inbox', 'Inbox.sbd/Family', 'Sent Items', 'Old Friends', 'Work_ 2024.sbd/Q1_Q2_', "
        "'Unlisted.mbox']:\n"
        "    assert len(mailbox.mbox(os.path.join(root, name), create=False)) == 2, name\n"
        "assert len(mailbox.mbox(os.path.join(root, 'Work_ 2024'), create=False)) == 0\n"
        "flags = [set(m.get_flags()) for m in mailbox.mbox(os.path.join(root, 'Inbox'), create=False)]\n"
        "assert flags == [set('ROA'), set('O')], flags\n";
    testing::WriteFileBytes(dir_ / "check.py", check);
    EXPECT_EQ(std::system(("python3 " + Quote(dir_ / "check.py") + " " + Quote(dir_ / "boxes")).c_str()), 0);
#endif
}

}  // namespace
}  // namespace tervaline::cli
