// tervaline-scan meeting bad input and faults: every one ends with the
// reason in words on stderr, the count on stdout, and the right exit status,
// and never leaves a partial message file behind.
#include <gtest/gtest.h>

#if TERVALINE_POSIX
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "cli/ScanCommand.h"
#include "cli/ScanOptions.h"
#include "engine/SalvageRecording.h"
#if TERVALINE_POSIX
#endif
#include "platform/FileSystem.h"
#include "platform/Hash.h"
#include "tests/cli/ToolRun.h"
#include "tests/support/SystemWords.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"
#include "tools/StoreBuilder.h"

namespace tervaline::cli {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::TToolResult;
using testing::TTempDir;
using tools::TStoreBuilder;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

#if TERVALINE_POSIX
// What runs a command as a user whom file permissions stop: nothing when
// the tests already run as one; as root, the nobody account.
std::optional<std::string> AsUnprivileged() {
    if (::geteuid() != 0) return std::string();
    if (::access("/usr/bin/setpriv", X_OK) == 0) {
        return std::string("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ");
    }
    return std::nullopt;
}
#endif

std::vector<std::string> AllFiles(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    return files;
}

class ScanToolFault : public ::testing::Test {
protected:
    void SetUp() override {
        // Unprivileged runs must be able to reach the store.
        fs::permissions(dir_.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
        TStoreBuilder store(true);
        for (int i = 0; i < 2; ++i) {
            texts_.push_back(tools::MakeMailText(40 + i, 600));
            starts_.push_back(store.AddMessage(texts_.back()));
        }
        store.WriteTo(Store());
    }
    std::string Store() const { return dir_ / "Inbox.dbx"; }
    // Count messages of about Size bytes (every second one no mail, when
    // asked) each behind Gap zeros, as big.dbx: a store that keeps a scan
    // with a small window busy long enough to be signalled. Its messages
    // replace those of the small store.
    std::string BigStore(int count, std::size_t size, std::size_t gap, bool someNoMail = false) {
        TStoreBuilder big(true);
        texts_.clear();
        starts_.clear();
        for (int i = 0; i < count; ++i) {
            texts_.push_back(tools::MakeMailText(i, size, !someNoMail || i % 2 == 1));
            starts_.push_back(big.AddMessage(texts_.back()));
            big.AddZeros(gap);
        }
        big.WriteTo(dir_ / "big.dbx");
        return dir_ / "big.dbx";
    }
    void ExpectWrittenFilesWhole(const fs::path& out) {
        for (std::size_t i = 0; i < starts_.size(); ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%08X.eml", starts_[i]);
            if (fs::exists(out / name)) {
                EXPECT_EQ(ReadFileBytes(out / name), texts_[i]) << name;
            }
        }
        for (const std::string& f : AllFiles(out)) EXPECT_FALSE(Contains(f, ".partial")) << f;
    }
    TTempDir dir_;
    std::vector<std::string> texts_;
    std::vector<std::uint32_t> starts_;
};

#if TERVALINE_POSIX
TEST_F(ScanToolFault, UnusableStoresAndOutputsAreSaidAndEndWithStatusOne) {
    fs::create_directories(dir_.Path() / "folder.dbx");
    testing::WriteFileBytes(dir_ / "taken", "a file");
    ASSERT_EQ(::mkfifo((dir_ / "pipe.dbx").c_str(), 0600), 0);
    fs::create_directories(dir_.Path() / "o");
    fs::copy_file(Store(), dir_.Path() / "o/00002AD4.eml");
    fs::create_directories(dir_.Path() / "gone");
    fs::create_symlink(dir_.Path() / "nowhere", dir_.Path() / "dangling");
    struct TCase {
        const char* what;
        std::string args;
        std::vector<std::string> words;
        const char* count;  // empty: the scan never began, and no count is printed
        std::string prefix = "";
    };
    const std::string none = "0 messages found, 0 written\n";
    const std::vector<TCase> cases = {
        {"missing store", Quote(dir_ / "none.dbx"), {"the scan did not start", "none.dbx", "No such file"}, none.c_str()},
        {"a folder without stores", Quote(dir_ / "folder.dbx"), {"holds no .dbx store"}, none.c_str()},
        // A pipe without a writer would hold the open for ever.
        {"a pipe as the store", Quote(dir_ / "pipe.dbx"), {"the scan did not start", "pipe.dbx\": it is a pipe"},
         none.c_str()},
        {"an existing file as the output", Quote(Store()) + " " + Quote(dir_ / "taken"),
         {"the scan did not start", "Cannot create the folder", "File exists"}, none.c_str()},
        {"a link that leads nowhere as the output", Quote(Store()) + " " + Quote(dir_ / "dangling"),
         {"the scan did not start", "dangling\": it is a broken link to \"", "nowhere\", which does not exist"},
         none.c_str()},
        {"an output below a file", Quote(Store()) + " " + Quote(dir_ / "taken/out"),
         {"the scan did not start", "taken\": File exists"}, none.c_str()},
        {"the store in its output folder under a message's name",
         Quote(dir_ / "o/00002AD4.eml") + " " + Quote(dir_ / "o"),
         {"the scan did not start", "lies in a folder the scan writes"}, none.c_str()},
        // Beside the store is not where a relative OUTPUT would go.
        {"a relative output without a current folder", Quote(Store()) + " out",
         {"Cannot tell the current folder", "give it as an absolute path"}, "",
         "cd " + Quote(dir_ / "gone") + " && rmdir " + Quote(dir_ / "gone") + " && "},
    };
    for (const TCase& c : cases) {
        const TToolResult r = RunTool(dir_, c.args, c.prefix + "timeout -k 5 30 ");
        EXPECT_EQ(r.status, kExitFailed) << c.what << ": " << r.err;
        for (const std::string& w : c.words) EXPECT_TRUE(Contains(r.err, w)) << c.what << ": " << r.err;
        if (*c.count == '\0') {
            EXPECT_EQ(r.out, "") << c.what;
        } else {
            EXPECT_TRUE(r.out.ends_with(c.count)) << c.what << ": " << r.out;
        }
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "taken"), "a file");
    EXPECT_EQ(ReadFileBytes(dir_ / "o/00002AD4.eml"), ReadFileBytes(Store()));
    EXPECT_EQ(AllFiles(dir_.Path() / "o").size(), 1u);
    EXPECT_FALSE(fs::exists(dir_.Path() / "out"));
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, UnusableStoresAndOutputsAreSaidAndEndWithStatusOne,
                            "it makes a FIFO and bounds the run with timeout")
#endif

// Nothing in the output folder, a pipe least of all, is written through or
// can hold the writer: the message goes to a new file of its own.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, PipesInTheOutputFolderCannotHoldTheScan) {
    const fs::path out = dir_.Path() / "out";
    fs::create_directories(out);
    ASSERT_EQ(::mkfifo((out / "00002AD4.eml.partial").c_str(), 0600), 0);
    char second[16];
    std::snprintf(second, sizeof second, "%08X.eml", starts_[1]);
    ASSERT_EQ(::mkfifo((out / second).c_str(), 0600), 0);
    const TToolResult r = RunTool(dir_, "--quiet " + Quote(Store()) + " " + Quote(out.string()), "timeout -k 5 30 ");
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_EQ(r.out, "2 messages found, 2 written\n");
    char beside[16];
    std::snprintf(beside, sizeof beside, "%08X~1.eml", starts_[1]);
    EXPECT_EQ(ReadFileBytes(out / "00002AD4.eml"), texts_[0]);
    EXPECT_EQ(ReadFileBytes(out / beside), texts_[1]);
    EXPECT_TRUE(fs::is_fifo(out / "00002AD4.eml.partial"));
    EXPECT_TRUE(fs::is_fifo(out / second));
    EXPECT_TRUE(Contains(r.err, "1 message was written beside a file of the same name with other bytes")) << r.err;
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, PipesInTheOutputFolderCannotHoldTheScan,
                            "it makes FIFOs")
#endif

// What another user plants in a shared output folder under the names the
// report side uses (links to a file of theirs or of root's, pipes) is
// replaced as a name or passed by: never opened, written through or waited on.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, LinksAndPipesPlantedForTheReportAreNeverWrittenThrough) {
    if (!engine::SalvageRecordingBuilt()) GTEST_SKIP() << "this build writes no report";
    const std::string victim = dir_ / "victim.txt";
    struct TCase {
        const char* what;
        std::function<void(const fs::path& out)> plant;
    };
    const auto link = [&](const fs::path& at) { fs::create_symlink(victim, at); };
    const auto pipe = [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); };
    const std::vector<TCase> cases = {
        {"links under every name", [&](const fs::path& out) {
             for (const char* name : {".report-room", "report.csv", "report.json", "all.mbox"}) link(out / name);
         }},
        {"pipes under every name", [&](const fs::path& out) {
             for (const char* name : {".report-room", "report.csv", "report.json", "all.mbox"}) pipe(out / name);
         }},
    };
    for (const TCase& c : cases) {
        testing::WriteFileBytes(victim, "the victim's own words");
        const fs::path out = dir_.Path() / "out";
        fs::remove_all(out);
        fs::create_directories(out);
        c.plant(out);
        const TToolResult r = RunTool(dir_, "--quiet --mbox " + Quote((out / "all.mbox").string()) + " " +
                                                Quote(Store()) + " " + Quote(out.string()),
                                      "timeout -k 5 30 ");
        EXPECT_EQ(r.status, kExitCompleted) << c.what << ": " << r.err;
        EXPECT_EQ(ReadFileBytes(victim), "the victim's own words") << c.what;
        for (const char* name : {"report.csv", "report.json", "all.mbox"}) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / name))) << c.what << ": " << name;
        }
        EXPECT_TRUE(Contains(ReadFileBytes(out / "report.csv"), "00002AD4.eml")) << c.what;
    }
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, LinksAndPipesPlantedForTheReportAreNeverWrittenThrough,
                            "it plants symbolic links and FIFOs")
#endif

// A second salvage into the folder of a first keeps the first's files, and
// says so; the same salvage run again changes nothing.
TEST_F(ScanToolFault, ASecondSalvageKeepsTheFirstsFilesAndSaysSo) {
    TStoreBuilder other(true);
    const std::string otherText = tools::MakeMailText(90, 600);
    other.AddMessage(otherText);
    other.WriteTo(dir_ / "Sent.dbx");
    const std::string out = dir_ / "out";
    ASSERT_EQ(RunTool(dir_, Quote(Store()) + " " + Quote(out)).status, kExitCompleted);
    const TToolResult again = RunTool(dir_, Quote(Store()) + " " + Quote(out));
    EXPECT_EQ(again.status, kExitCompleted) << again.err;
    EXPECT_EQ(again.err, "");
    const TToolResult sent = RunTool(dir_, Quote(dir_ / "Sent.dbx") + " " + Quote(out));
    EXPECT_EQ(sent.status, kExitCompleted) << sent.err;
    EXPECT_TRUE(Contains(sent.out, "00002AD4~1.eml")) << sent.out;
    EXPECT_TRUE(Contains(sent.err, "1 message was written beside a file of the same name with other bytes, as "
                                   "NAME~1.eml; the file there was kept"))
        << sent.err;
    EXPECT_EQ(ReadFileBytes(dir_.Path() / "out/00002AD4.eml"), texts_[0]);
    EXPECT_EQ(ReadFileBytes(dir_.Path() / "out/00002AD4~1.eml"), otherText);
    EXPECT_EQ(testing::ListMessageFiles(dir_.Path() / "out").size(), 3u);
}

#if TERVALINE_POSIX
TEST_F(ScanToolFault, PermissionsThatKeepTheUserOutAreSaid) {
    const std::optional<std::string> prefix = AsUnprivileged();
    if (!prefix) GTEST_SKIP() << "running as root without setpriv: no way to run as a user whom permissions stop";
    fs::create_directories(dir_.Path() / "readonly");
    fs::create_directories(dir_.Path() / "open");
    fs::permissions(dir_.Path() / "open", fs::perms::all);
    fs::permissions(dir_.Path() / "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                  fs::perms::group_exec | fs::perms::others_read |
                                                  fs::perms::others_exec);
    const std::string secret = dir_ / "secret.dbx";
    fs::copy_file(Store(), secret);
    fs::permissions(secret, fs::perms::none);
    fs::permissions(Store(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const TToolResult unreadable = RunTool(dir_, Quote(secret) + " " + Quote(dir_ / "open/out"), *prefix);
    EXPECT_EQ(unreadable.status, kExitFailed) << unreadable.err;
    EXPECT_TRUE(Contains(unreadable.err, "Permission denied")) << unreadable.err;
    EXPECT_FALSE(fs::exists(dir_.Path() / "open/out"));

    // Found out before the scan, not once for every message.
    const TToolResult readOnly = RunTool(dir_, Quote(Store()) + " " + Quote(dir_ / "readonly/out"), *prefix);
    EXPECT_EQ(readOnly.status, kExitFailed) << readOnly.err;
    EXPECT_TRUE(Contains(readOnly.err, "the scan did not start: Cannot create the folder")) << readOnly.err;
    EXPECT_TRUE(Contains(readOnly.err, "Permission denied")) << readOnly.err;
    EXPECT_TRUE(readOnly.out.ends_with("\n0 messages found, 0 written\n")) << readOnly.out;
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, PermissionsThatKeepTheUserOutAreSaid,
                            "it runs the program as another user with setpriv")
#endif

#if TERVALINE_POSIX
TEST_F(ScanToolFault, StoreLockedByARunningScanIsRefused) {
    BigStore(100, 800, 400000);
    // The first scan holds the store from its start; once its output folder
    // exists it is surely reading, and it is held there (stopped) while the
    // second is run against it, however long the second takes to start.
    const std::string binary = TERVALINE_SCAN_BINARY;
    const std::string script = binary + " --buffer 1 " + Quote(dir_ / "big.dbx") + " " + Quote(dir_ / "first") +
                               " >/dev/null 2>&1 & pid=$!; " + "while [ ! -d " + Quote(dir_ / "first") +
                               " ]; do sleep 0.01; done; kill -STOP $pid; " + binary + " " + Quote(dir_ / "big.dbx") + " " +
                               Quote(dir_ / "second") + " >" + Quote(dir_ / "second.txt") + " 2>&1; echo $? >" +
                               Quote(dir_ / "status.txt") + "; kill -INT $pid; kill -CONT $pid; wait $pid; echo $? >" +
                               Quote(dir_ / "first-status.txt");
    const int raw = std::system(("bash -c " + Quote(script)).c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    const std::string second = ReadFileBytes(dir_ / "second.txt");
    EXPECT_EQ(ReadFileBytes(dir_ / "status.txt"), "1\n") << second;
    EXPECT_TRUE(Contains(second, "in use by another scan")) << second;
    EXPECT_TRUE(Contains(second, "0 messages found, 0 written")) << second;
    EXPECT_FALSE(fs::exists(dir_.Path() / "second"));
    // The first scan was interrupted, not harmed.
    EXPECT_EQ(ReadFileBytes(dir_ / "first-status.txt"), "130\n");
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, StoreLockedByARunningScanIsRefused,
                            "it pauses the first scan with kill -STOP; the command-line test holds the store from another process instead")
#endif

#if TERVALINE_POSIX
TEST_F(ScanToolFault, FullDiskIsSaidAndLeavesOnlyWholeFiles) {
    const fs::path small = dir_.Path() / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << platform::SystemErrorText(errno)
                     << "); the engine's injected write failures cover the same path";
    }
    TStoreBuilder store(true);
    texts_.clear();
    starts_.clear();
    for (int i = 0; i < 40; ++i) {
        texts_.push_back(tools::MakeMailText(200 + i, 3000));
        starts_.push_back(store.AddMessage(texts_.back()));
    }
    store.WriteTo(dir_ / "many.dbx");
    const TToolResult r = RunTool(dir_, "--quiet " + Quote(dir_ / "many.dbx") + " " + Quote((small / "out").string()));
    std::size_t written = 0;
    for (const std::string& f : AllFiles(small / "out")) written += fs::path(f).extension() == ".eml" ? 1 : 0;
    ExpectWrittenFilesWhole(small / "out");
    // The room held for the report took it in, and it says what went wrong.
    const std::string report = fs::exists(small / "out/report.json") ? ReadFileBytes(small / "out/report.json") : "";
    const bool reported = engine::SalvageRecordingBuilt();
    EXPECT_EQ(AllFiles(small / "out").size(), written + (reported ? 2 : 0));
    ::umount2(small.c_str(), MNT_DETACH);
    if (reported) {
        EXPECT_TRUE(Contains(report, "\"outcome\": \"failed\"")) << report.substr(0, 2000);
        EXPECT_TRUE(Contains(report, "No space left on device")) << report.substr(0, 2000);
        EXPECT_TRUE(Contains(report, "\"output\": " + std::to_string(written) + ",")) << report.substr(0, 2000);
    }
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_TRUE(Contains(r.err, "could not be written")) << r.err;
    EXPECT_TRUE(Contains(r.err, "No space left on device")) << r.err;
    EXPECT_GT(written, 0u);
    EXPECT_EQ(r.out, "40 messages found, " + std::to_string(written) + " written\n");
    // Each message not written is named on a line of its own.
    std::size_t named = 0;
    for (std::size_t at = 0; (at = r.err.find(" not written: ", at)) != std::string::npos; ++at) ++named;
    EXPECT_EQ(named, 40 - written) << r.err;
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, FullDiskIsSaidAndLeavesOnlyWholeFiles,
                            "it mounts a small tmpfs")
#endif

// Each signal that asks for a stop ends the scan as Ctrl-C does, with its
// own status, and says where the scan stopped.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, TerminationStopsTheScanWithItsStatusAndWholeFiles) {
    BigStore(200, 2000, 400000);
    for (const auto& [signal, status] : std::vector<std::pair<std::string, int>>{{"TERM", 143}, {"HUP", 129}}) {
        const fs::path out = dir_.Path() / ("out-" + signal);
        const TToolResult r = testing::SignalToolMidScan(dir_, dir_ / "big.dbx", out.string(), signal);
        EXPECT_EQ(r.status, status) << signal << ": " << r.out;
        EXPECT_TRUE(Contains(r.out, "stopped at 0x")) << r.out;
        EXPECT_TRUE(Contains(r.out, ", before the end of the store")) << r.out;
        const std::size_t written = testing::ListMessageFiles(out).size();
        EXPECT_LT(written, 200u);
        EXPECT_TRUE(Contains(r.out, ", " + std::to_string(written) + " written\n")) << r.out;
        ExpectWrittenFilesWhole(out);
        // Every message that starts before the place named was written:
        // nothing found is lost to the stop.
        const std::size_t at = r.out.find("stopped at 0x");
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::uint64_t stoppedAt = std::stoull(r.out.substr(at + 13, 16), nullptr, 16);
        std::size_t before = 0;
        for (std::uint32_t start : starts_) before += start < stoppedAt ? 1 : 0;
        EXPECT_EQ(written, before) << r.out;
    }
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, TerminationStopsTheScanWithItsStatusAndWholeFiles,
                            "it sends SIGTERM and SIGHUP with kill")
#endif

// A stopped scan says so, and where, also when messages could not be written.
TEST_F(ScanToolFault, StopIsSaidBesideMessagesThatFailed) {
    BigStore(200, 1000, 400000, true);
    const fs::path out = dir_.Path() / "out";
    fs::create_directories(out);
    // Every message that is no mail fails: its folder cannot be made.
    testing::WriteFileBytes(out / "trash", "a file");
    char secondName[16];
    std::snprintf(secondName, sizeof secondName, "%08X.eml", starts_[1]);
    const TToolResult r = testing::SignalToolMidScan(dir_, dir_ / "big.dbx", out.string(), "INT", (out / secondName).string());
    if (r.status == -1 && !TERVALINE_POSIX) GTEST_SKIP() << "no console event passes from one program to another here (Wine); "
                                                         "tools/compare-windows-salvage.sh presses Ctrl-C in a terminal";
    EXPECT_EQ(r.status, kExitFailed) << r.out;
    EXPECT_TRUE(Contains(r.out, "tervaline-scan: 0x00002AD4 not written: Cannot create the folder")) << r.out;
    EXPECT_TRUE(Contains(r.out, "could not be written")) << r.out;
    EXPECT_TRUE(Contains(r.out, "stopped at 0x")) << r.out;
}

// A reader of the output that goes away stops the printing, not the salvage.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, ClosedOutputEndsThePrintingNotTheSalvage) {
    BigStore(100, 800, 200000);
    const std::string script = std::string(TERVALINE_SCAN_BINARY) + " --buffer 1 " + Quote(dir_ / "big.dbx") + " " +
                               Quote(dir_ / "out") + " 2>/dev/null | true; echo ${PIPESTATUS[0]} >" +
                               Quote(dir_ / "status.txt");
    const int raw = std::system(("bash -c " + Quote(script)).c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(ReadFileBytes(dir_ / "status.txt"), "0\n");
    EXPECT_EQ(testing::ListMessageFiles(dir_.Path() / "out").size(), 100u);
    ExpectWrittenFilesWhole(dir_.Path() / "out");
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, ClosedOutputEndsThePrintingNotTheSalvage,
                            "it closes the program's output through a shell pipe")
#endif

// What the tool prints of paths and the system's reasons stays one line
// each, whatever bytes a name holds; a file without the store's signature
// that gives nothing is said to be perhaps no store at all.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, WhatIsPrintedStaysOnItsLinesAndSaysWhatWasFound) {
    const std::string odd = "In\nbox\x01\xFF";
    fs::copy_file(Store(), dir_.Path() / (odd + ".dbx"));
    const TToolResult r = RunTool(dir_, Quote(dir_ / (odd + ".dbx")));
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_EQ(testing::ListMessageFiles(dir_.Path() / odd).size(), 2u);
    const std::string shown = "In\\x0Abox\\x01\\xFF";
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        lines.push_back(r.out.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0], "output folder: " + (dir_ / shown)) << r.out;
    EXPECT_TRUE(Contains(lines[1], (dir_ / shown) + "/00002AD4.eml")) << r.out;
    EXPECT_EQ(lines[3], "2 messages found, 2 written");

    testing::WriteFileBytes(dir_ / "notes.txt", std::string(40000, 'x'));
    const TToolResult notes = RunTool(dir_, Quote(dir_ / "notes.txt"));
    EXPECT_EQ(notes.status, kExitCompleted) << notes.err;
    EXPECT_EQ(notes.err,
              "tervaline-scan: no mail store signature was found at the start of the file: it may not be a mail "
              "store\n");
    // ... and leaves nothing behind, not even a report of nothing.
    EXPECT_FALSE(fs::exists(dir_.Path() / "notes")) << "an empty output folder was left";
    const TToolResult signedEmpty = RunTool(dir_, Quote(dir_ / "Inbox.dbx") + " " + Quote(dir_ / "again"));
    EXPECT_EQ(signedEmpty.err, "");

    // A trash that holds many times what the output folder does is said to.
    TStoreBuilder records(true);
    records.AddMessage(tools::MakeMailText(1, 300));
    for (int i = 0; i < 120; ++i) records.AddMessage(tools::MakeMailText(100 + i, 300, false));
    records.WriteTo(dir_ / "records.dbx");
    const TToolResult trash = RunTool(dir_, "--quiet " + Quote(dir_ / "records.dbx"));
    EXPECT_EQ(trash.status, kExitCompleted) << trash.err;
    EXPECT_TRUE(Contains(trash.err, "120 of the 121 files written went to the trash folder")) << trash.err;
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, WhatIsPrintedStaysOnItsLinesAndSaysWhatWasFound,
                            "it names files with control bytes and bytes that are no UTF-8, which Windows names cannot hold")
#endif

// A file size limit fails the message that does not fit, which is named;
// the scan goes on, and its report says so.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, AFileSizeLimitFailsOnlyTheMessageThatDoesNotFit) {
    TStoreBuilder store(true);
    texts_ = {tools::MakeMailText(1, 600), tools::MakeMailText(2, 40000), tools::MakeMailText(3, 600)};
    starts_.clear();
    for (const std::string& text : texts_) starts_.push_back(store.AddMessage(text));
    store.WriteTo(dir_ / "sizes.dbx");
    const TToolResult r =
        RunTool(dir_, "--quiet " + Quote(dir_ / "sizes.dbx") + " " + Quote(dir_ / "out"), "ulimit -f 32; ");
    EXPECT_EQ(r.status, kExitFailed) << r.err;
    EXPECT_EQ(r.out, "3 messages found, 2 written\n");
    char name[16];
    std::snprintf(name, sizeof name, "%08X", starts_[1]);
    EXPECT_TRUE(Contains(r.err, std::string("0x") + name + " not written: ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "File too large")) << r.err;
    ExpectWrittenFilesWhole(dir_.Path() / "out");
    if (engine::SalvageRecordingBuilt()) {
        EXPECT_TRUE(Contains(ReadFileBytes(dir_ / "out/report.json"), "\"unwritten\": 1")) << r.err;
    }
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, AFileSizeLimitFailsOnlyTheMessageThatDoesNotFit,
                            "it limits file sizes with ulimit")
#endif

// Under a memory limit, a message of many megabytes is still written whole
// and alone: it goes to its file as it is read, never held whole; and the
// report of many thousand messages is written whole.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, LongMessageUnderAMemoryLimitIsWrittenWhole) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reserves more address space than any limit the test could set";
#else
    TStoreBuilder store(true);
    const std::string text = tools::MakeMailText(5, 65u << 20);
    store.AddMessage(text);
    store.WriteTo(dir_ / "long.dbx");
    const TToolResult r = RunTool(dir_, "--quiet " + Quote(dir_ / "long.dbx") + " " + Quote(dir_ / "out"),
                                  "ulimit -v 120000; ");
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_EQ(r.out, "1 message found, 1 written\n");
    EXPECT_EQ(testing::ListMessageFiles(dir_.Path() / "out"), std::vector<std::string>{"00002AD4.eml"});
    EXPECT_TRUE(ReadFileBytes(dir_ / "out/00002AD4.eml") == text);
    // The report documents the message it never held whole.
    if (engine::SalvageRecordingBuilt()) {
        const std::string report = ReadFileBytes(dir_ / "out/report.csv");
        std::string sha256;
        for (const unsigned char byte : platform::HashOf(platform::EHash::Sha256, text)) {
            sha256 += "0123456789abcdef"[byte >> 4];
            sha256 += "0123456789abcdef"[byte & 15];
        }
        EXPECT_TRUE(Contains(report, sha256)) << report;
    }

    // Nor does a report of many messages stand in memory: its rows go to
    // its files as they come.
    TStoreBuilder many(true);
    constexpr int kMany = 80000;
    for (int i = 0; i < kMany; ++i) many.AddMessage(tools::MakeMailText(i, 200));
    many.WriteTo(dir_ / "many.dbx");
    const TToolResult m = RunTool(dir_, "--quiet --mode bottom " + Quote(dir_ / "many.dbx") + " " +
                                            Quote(dir_ / "many"), "ulimit -v 120000; ");
    EXPECT_EQ(m.status, kExitCompleted) << m.err;
    EXPECT_EQ(m.out, "80000 messages found, 80000 written\n");
    if (engine::SalvageRecordingBuilt()) {
        const std::string json = ReadFileBytes(dir_ / "many/report.json");
        EXPECT_TRUE(Contains(json, "\"output\": 80000,")) << json.substr(json.size() - 1500);
    }
#endif
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, LongMessageUnderAMemoryLimitIsWrittenWhole,
                            "it limits memory with ulimit")
#endif

#ifdef TERVALINE_FAULT_INJECTION
// Runs tervaline-scan's scan in this process, where the read fault reaches
// it, with Args as its command line would give them.
TToolResult RunScanHere(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    TToolResult result;
    if (out == nullptr || err == nullptr) return result;
    const std::atomic<int> noSignal{0};
    result.status = RunScan(ParseScanOptions(args), noSignal, out, err);
    const auto written = [](std::FILE* file) {
        std::string text;
        std::rewind(file);
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) text.append(buf, n);
        std::fclose(file);
        return text;
    };
    result.out = written(out);
    result.err = written(err);
    return result;
}

// What the disk could not read is said area by area, with the system's
// reason, after the count, which stays as it is; anything unreadable ends
// the scan with status 1.
TEST_F(ScanToolFault, UnreadableAreasAreSaidOneALineAndEndWithStatusOne) {
    const std::string store = BigStore(20, 1500, 0);
    const std::string reason = std::strerror(EIO);
    struct TCase {
        const char* what;
        std::vector<testing::TUnreadableDisk::TArea> bad;
        int status;
        std::string out;
        std::string err;
    };
    const TCase cases[] = {
        {"none", {}, kExitCompleted, "20 messages found, 20 written\n", ""},
        // A sector over the fourth message's first header: the rest of it
        // is found as a message of its own.
        {"one sector", {{0x4000, 512}}, kExitFailed, "20 messages found, 20 written\n",
         "tervaline-scan: unreadable: 0x00004000 +512 bytes: " + reason + "\n"},
        // Two sectors side by side are one area; the eighth message lies
        // in the second area and nothing of it is left.
        {"two areas", {{0x4000, 512}, {0x4200, 512}, {0x6000, 1024}}, kExitFailed, "19 messages found, 19 written\n",
         "tervaline-scan: unreadable: 0x00004000 +1024 bytes: " + reason +
             "\ntervaline-scan: unreadable: 0x00006000 +1024 bytes: " + reason + "\n"},
    };
    int run = 0;
    for (const TCase& c : cases) {
        const testing::TUnreadableDisk disk(store, c.bad);
        const std::string out = dir_ / ("out" + std::to_string(run++));
        const TToolResult r = RunScanHere({"--quiet", store, out});
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_EQ(r.err, c.err) << c.what;
    }
}
#else
TERVALINE_FAULT_INJECTION_TEST_F(ScanToolFault, UnreadableAreasAreSaidOneALineAndEndWithStatusOne)
#endif

#if TERVALINE_POSIX
// A disk image on a loop device of the test's own, which only some machines
// let a test make; empty, with Why saying so, where none can be made.
class TLoopDevice {
public:
    TLoopDevice(const std::string& image, const std::string& options) {
        if (FILE* pipe = ::popen(("losetup -f --show " + options + " " + Quote(image) + " 2>&1").c_str(), "r")) {
            char line[512] = {};
            if (std::fgets(line, sizeof line, pipe) != nullptr) why_ = line;
            const int status = ::pclose(pipe);
            while (!why_.empty() && why_.back() == '\n') why_.pop_back();
            if (status == 0) device_ = std::exchange(why_, std::string());
        }
        if (!device_.empty() && !fs::exists(device_)) {
            why_ = "the loop device " + device_ + " has no node here";
            Detach();
        }
        if (device_.empty() && why_.empty()) why_ = "no loop device can be made here";
    }
    ~TLoopDevice() { Detach(); }
    const std::string& Device() const { return device_; }
    const std::string& Why() const { return why_; }

private:
    void Detach() {
        if (!device_.empty()) std::system(("losetup -d " + device_ + " 2>/dev/null").c_str());
        device_.clear();
    }
    std::string device_;
    std::string why_;
};

// An image of a disk: messages from 4 KiB on, in whole 4 KiB sectors.
std::string DiskImage(const TTempDir& dir) {
    TStoreBuilder disk(false);
    disk.AddZeros(4096);
    for (int i = 0; i < 12; ++i) disk.AddMessage(tools::MakeMailText(i, 1500));
    disk.Align(4096);
    disk.WriteTo(dir / "disk.img");
    return dir / "disk.img";
}
#endif

// A disk of 4096-byte sectors fails in whole sectors: the scan reads it in
// those and loses no less, and no more, than the sector that held the bytes
// that failed.
#if TERVALINE_POSIX && defined(TERVALINE_FAULT_INJECTION)
TEST_F(ScanToolFault, ADiskOfLargeSectorsLosesWholeSectors) {
    const TLoopDevice loop(DiskImage(dir_), "--sector-size 4096");
    if (loop.Device().empty()) GTEST_SKIP() << loop.Why();
    const testing::TUnreadableDisk disk(loop.Device(), {{0x3200, 512}});
    const TToolResult r = RunScanHere({"--quiet", "--mode", "bottom", loop.Device(), dir_ / "out"});
    EXPECT_EQ(r.status, kExitFailed) << r.err;
    EXPECT_EQ(r.err, "tervaline-scan: unreadable: 0x00003000 +4096 bytes: " + disk.Reason() + "\n");
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, ADiskOfLargeSectorsLosesWholeSectors,
                            "it makes a loop device of 4096-byte sectors and injects a read fault into it")
#endif

// A disk whose sectors really fail: a device-mapper device that puts an
// error target among the sectors of a loop device. The program reads past
// them, with no fault injected.
#if TERVALINE_POSIX
TEST_F(ScanToolFault, ADiskWithBadSectorsIsReadPastThem) {
    const std::string image = DiskImage(dir_);
    const TLoopDevice loop(image, "");
    if (loop.Device().empty()) GTEST_SKIP() << loop.Why();
    // In 512-byte sectors: the disk, with eight that fail at 0x3000.
    const std::uint64_t sectors = fs::file_size(image) / 512;
    const std::string table = "0 24 linear " + loop.Device() + " 0\n24 8 error\n32 " + std::to_string(sectors - 32) +
                              " linear " + loop.Device() + " 32\n";
    const std::string name = "tervaline-bad-" + std::to_string(::getpid());
    testing::WriteFileBytes(dir_ / "table.txt", table);
    std::string why;
    if (FILE* pipe = ::popen(("dmsetup create " + name + " " + Quote(dir_ / "table.txt") + " 2>&1").c_str(), "r")) {
        char line[512] = {};
        if (std::fgets(line, sizeof line, pipe) != nullptr) why = line;
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
        }
        if (::pclose(pipe) == 0) why.clear();
        else if (why.empty()) why = "dmsetup failed";
    }
    while (!why.empty() && why.back() == '\n') why.pop_back();
    const std::string device = "/dev/mapper/" + name;
    if (why.empty() && !fs::exists(device)) why = device + " has no node here";
    if (!why.empty()) {
        std::system(("dmsetup remove " + name + " 2>/dev/null").c_str());
        GTEST_SKIP() << "no device-mapper device can be made here: " << why;
    }
    const TToolResult r = RunTool(dir_, "--quiet --mode bottom " + Quote(device) + " " + Quote(dir_ / "out"));
    std::system(("dmsetup remove " + name).c_str());
    EXPECT_EQ(r.status, kExitFailed) << r.err;
    EXPECT_EQ(r.err, "tervaline-scan: unreadable: 0x00003000 +4096 bytes: " + platform::SystemErrorText(EIO) + "\n");
    EXPECT_TRUE(Contains(r.out, " written\n")) << r.out;
}
#else
TERVALINE_POSIX_ONLY_TEST_F(ScanToolFault, ADiskWithBadSectorsIsReadPastThem,
                            "it makes a device-mapper device with an error target")
#endif

}  // namespace
}  // namespace tervaline::cli
