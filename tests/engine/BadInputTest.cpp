// Scans given bad input or meeting faults: each ends with one OnDone, a
// failure in words, and never a partial message file.
#include <gtest/gtest.h>

#if TERVALINE_POSIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "engine/RescueRead.h"
#include "engine/SalvageRecording.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/WriteFault.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/SystemWords.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RunScan;
using testing::SystemWords;
using testing::TScanRun;
using testing::TScanSetup;
using testing::TTempDir;
using tools::TStoreBuilder;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every file below Folder, at any depth, by path relative to it.
std::vector<std::string> AllFiles(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool AnyPartial(const fs::path& folder) {
    for (const std::string& f : AllFiles(folder)) {
        if (Contains(f, ".partial")) return true;
    }
    return false;
}

// A tmpfs mounted for the test's lifetime, where the machine allows it.
#if TERVALINE_POSIX
class TTmpfs {
public:
    TTmpfs(const fs::path& at, const char* options, bool readOnly) : at_(at) {
        fs::create_directories(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options) == 0;
        error_ = errno;
    }
    ~TTmpfs() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    std::string Why() const { return platform::SystemErrorText(error_); }

private:
    fs::path at_;
    bool mounted_ = false;
    int error_ = 0;
};
#else
class TTmpfs {
public:
    TTmpfs(const fs::path& at, const char*, bool) { fs::create_directories(at); }
    bool Mounted() const { return false; }
    std::string Why() const { return "this system has no tmpfs"; }
};
#endif

class BadInput : public ::testing::Test {
protected:
#ifdef TERVALINE_FAULT_INJECTION
    void TearDown() override { platform::SetWriteFaultForTesting({}); }
#endif

    // A signed store of Count mail messages of about Size bytes each.
    std::string MakeStore(int count, std::size_t size, std::uint32_t gap = 0) {
        TStoreBuilder store(true);
        texts_.clear();
        starts_.clear();
        for (int i = 0; i < count; ++i) {
            texts_.push_back(tools::MakeMailText(100 + i, size));
            starts_.push_back(store.AddMessage(texts_.back()));
            store.AddZeros(gap);
        }
        const std::string path = dir_ / "store.dbx";
        store.WriteTo(path);
        return path;
    }
    TScanSetup Setup(const std::string& source, const std::string& output) {
        TScanSetup setup;
        setup.Source = source;
        setup.Output = output;
        return setup;
    }
    // Each written message file holds its message whole.
    void ExpectWrittenFilesWhole(const fs::path& out) {
        for (std::size_t i = 0; i < starts_.size(); ++i) {
            const fs::path file = out / MessageFileName(starts_[i], 0);
            if (fs::exists(file)) {
                EXPECT_EQ(ReadFileBytes(file), texts_[i]) << file;
            }
        }
    }

    TTempDir dir_;
    std::vector<std::string> texts_;
    std::vector<std::uint64_t> starts_;
};

TEST_F(BadInput, UnusableStoresEndTheScanWithTheReasonInWords) {
    fs::create_directories(dir_.Path() / "folder.dbx");
    struct TCase {
        const char* what;
        std::string source;
        std::vector<std::string> words;
    };
    const std::vector<TCase> cases = {
        {"missing", dir_ / "missing.dbx",
         {"Cannot open", "missing.dbx", SystemWords(ENOENT, testing::kWindowsFileNotFound)}},
        {"a folder", dir_ / "folder.dbx",
         {"Cannot open", "folder.dbx", SystemWords(EISDIR, testing::kWindowsDirectoryNotSupported)}},
        {"inside a file", dir_ / "folder.dbx/x/y.dbx", {"Cannot open", "y.dbx"}},
#if TERVALINE_POSIX
        // Every read of this file fails: a failed read is never taken for
        // an empty or zero-filled window.
        {"unreadable content", "/proc/self/mem", {"Cannot read", "/proc/self/mem", "Input/output error"}},
        // Neither may hold the scan: a pipe without a writer would wait in
        // the open, a terminal or /dev/zero in the reads.
        {"a pipe", dir_ / "pipe.dbx", {"Cannot open", "pipe.dbx", "is a pipe, not a file or a disk"}},
        {"a character device", "/dev/zero", {"Cannot open", "/dev/zero", "is a character device"}},
#else
        {"a character device", "NUL", {"Cannot open", "NUL", "is a device or a pipe, not a file or a disk"}},
#endif
    };
#if TERVALINE_POSIX
    ASSERT_EQ(::mkfifo((dir_ / "pipe.dbx").c_str(), 0600), 0);
#endif
    for (const TCase& c : cases) {
        const TScanRun run = RunScan(Setup(c.source, dir_ / "out"));
        EXPECT_EQ(run.DoneCount, 1) << c.what;
        EXPECT_TRUE(run.Found.empty()) << c.what;
        for (const std::string& w : c.words) EXPECT_TRUE(Contains(run.Outcome.FailureText, w)) << c.what << ": " << run.Outcome.FailureText;
        EXPECT_FALSE(fs::exists(dir_.Path() / "out")) << c.what;
    }
}

#if TERVALINE_POSIX
TEST_F(BadInput, StoreWithoutReadPermissionIsRefused) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, whom file permissions do not stop; the command-line fault test "
                        "covers this case by running the tool as an unprivileged user";
    }
    const std::string store = MakeStore(1, 300);
    ASSERT_EQ(::chmod(store.c_str(), 0), 0);
    const TScanRun run = RunScan(Setup(store, dir_ / "out"));
    EXPECT_TRUE(Contains(run.Outcome.FailureText, "Permission denied")) << run.Outcome.FailureText;
    EXPECT_TRUE(run.Found.empty());
}
#else
TERVALINE_POSIX_ONLY_TEST_F(BadInput, StoreWithoutReadPermissionIsRefused, "it takes POSIX permission bits")
#endif

// A second scan of the same store, or into the same folder, is refused at
// once while the first runs, and leaves the first unharmed.
TEST_F(BadInput, WhatARunningScanHoldsIsRefusedAndTheFirstScanFinishes) {
    const std::string store = MakeStore(3, 700);
    const std::string other = dir_ / "other.dbx";
    fs::copy_file(store, other);
    struct TCase {
        const char* what;
        std::string source, output;
        std::string words;
    };
    const std::vector<TCase> cases = {
        {"the same store", store, dir_ / "second", "\"" + store + "\": it is in use by another scan"},
        {"the same output folder", other, dir_ / "first",
         "The folder \"" + (dir_ / "first") + "\" is in use by another scan, which writes into it"},
    };
    for (const TCase& c : cases) {
        fs::remove_all(dir_.Path() / "first");
        std::promise<void> firstFound;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        bool once = false;
        TScanSetup first = Setup(store, dir_ / "first");
        first.OnFoundHook = [&](TDBXScanThread&, const TFoundMessage&) {
            if (once) return;
            once = true;
            firstFound.set_value();
            released.wait();
        };
        std::future<TScanRun> firstRun = std::async(std::launch::async, [&] { return RunScan(first); });
        firstFound.get_future().wait();

        const TScanRun second = RunScan(Setup(c.source, c.output));
        release.set_value();
        const TScanRun done = firstRun.get();

        EXPECT_TRUE(Contains(second.Outcome.FailureText, c.words)) << c.what << ": " << second.Outcome.FailureText;
        EXPECT_TRUE(second.Found.empty()) << c.what;
        EXPECT_TRUE(second.Progress.empty()) << c.what;
        EXPECT_FALSE(fs::exists(dir_.Path() / "second")) << c.what;
        EXPECT_EQ(done.Found, starts_) << c.what;
        EXPECT_EQ(done.Outcome.FailureText, "") << c.what;
        ExpectWrittenFilesWhole(dir_.Path() / "first");
    }
}

// A lock that another program holds is told from a scan's.
#if TERVALINE_POSIX
TEST_F(BadInput, StoreLockedByAnotherProgramIsSaidToBe) {
    const std::string store = MakeStore(1, 300);
    struct TCase {
        const char* what;
        std::function<bool(int fd)> lock;
    };
    const std::vector<TCase> cases = {
        {"a lock on the whole file", [](int fd) { return ::flock(fd, LOCK_SH) == 0; }},
        {"a record lock for writing",
         [](int fd) {
             struct flock range {};
             range.l_type = F_WRLCK;
             range.l_whence = SEEK_SET;
             range.l_start = 100;
             range.l_len = 50;
             return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
         }},
    };
    for (const TCase& c : cases) {
        const int fd = ::open(store.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(c.lock(fd)) << c.what;
        const TScanRun run = RunScan(Setup(store, dir_ / "out"));
        ::close(fd);
        EXPECT_EQ(run.Outcome.FailureText, "Cannot open \"" + store + "\": another program holds a lock on it")
            << c.what;
        EXPECT_TRUE(run.Found.empty()) << c.what;
    }
}
#else
TERVALINE_POSIX_ONLY_TEST_F(BadInput, StoreLockedByAnotherProgramIsSaidToBe,
                            "it takes POSIX locks; the Windows file system test holds the store open instead")
#endif

// An output the scan cannot write into is refused before the store is
// searched, not found out message by message afterwards.
TEST_F(BadInput, OutputThatCannotBeWrittenIsRefusedBeforeTheScan) {
    const std::string store = MakeStore(2, 300);
    testing::WriteFileBytes(dir_ / "taken", "a file");
    TTmpfs readOnly(dir_.Path() / "ro", "size=64k", true);
    struct TCase {
        const char* what;
        std::string output;
        std::vector<std::string> words;
        bool available;
    };
    const std::vector<TCase> cases = {
        {"an existing file", dir_ / "taken",
         {"Cannot create the folder", SystemWords(EEXIST, testing::kWindowsAlreadyExists)}, true},
        {"below an existing file", dir_ / "taken/out",
         {"Cannot create the folder", "taken\": " + SystemWords(EEXIST, testing::kWindowsAlreadyExists)}, true},
        {"below a read-only folder", dir_ / "ro/out", {"Cannot create the folder", "Read-only file system"},
         readOnly.Mounted()},
        {"a read-only folder", dir_ / "ro", {"Cannot write into the output folder", "Read-only file system"},
         readOnly.Mounted()},
        {"the store itself", store, {"is the store itself"}, true},
    };
    for (const TCase& c : cases) {
        if (!c.available) {
            std::printf("[  NOTE    ] not checked: output %s (cannot mount here: %s)\n", c.what,
                        readOnly.Why().c_str());
            continue;
        }
        const TScanRun run = RunScan(Setup(store, c.output));
        EXPECT_EQ(run.DoneCount, 1);
        for (const std::string& w : c.words) {
            EXPECT_TRUE(Contains(run.Outcome.FailureText, w)) << c.what << ": " << run.Outcome.FailureText;
        }
        EXPECT_TRUE(run.Progress.empty()) << c.what;
        EXPECT_TRUE(run.Found.empty()) << c.what;
        EXPECT_EQ(run.Outcome.Unwritten, 0u) << c.what;
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "taken"), "a file");
    EXPECT_EQ(AllFiles(dir_.Path()), (std::vector<std::string>{"store.dbx", "taken"}));
}

// Whatever stands in the output folder under a name the scan uses (a file
// of an earlier scan, a link, a pipe, the store itself) is never written
// through nor replaced: a message meeting other bytes there goes beside
// them as NAME~1.eml (~2, ...), one meeting its own bytes leaves them be.
TEST_F(BadInput, WhatStandsInTheOutputFolderIsNeverWrittenThroughNorReplaced) {
    const std::string store = MakeStore(1, 700);
    const std::string name = MessageFileName(starts_[0], 0);
    const std::string copy1 = MessageFileName(starts_[0], 0, 1), copy2 = MessageFileName(starts_[0], 0, 2);
    const fs::path victim = dir_.Path() / "victim.txt";
    struct TCase {
        const char* what;
        std::function<void(const fs::path& out)> prepare;
        std::vector<std::string> files;  // regular files in the output folder after the scan, links followed
        std::string holder;              // the one that holds the message
        std::uint64_t beside;
    };
    const std::vector<TCase> cases = {
#if TERVALINE_POSIX
        {"a link where a temporary file was once made",
         [&](const fs::path& out) { fs::create_symlink(victim, out / (name + ".partial")); },
         {name, name + ".partial"}, name, 0},
        {"a link under the message's name", [&](const fs::path& out) { fs::create_symlink(victim, out / name); },
         {name, copy1}, copy1, 1},
        {"a pipe under the message's name",
         [&](const fs::path& out) { ASSERT_EQ(::mkfifo((out / name).c_str(), 0600), 0); }, {copy1}, copy1, 1},
#endif
        {"the store, linked in under the message's name",
         [&](const fs::path& out) { fs::create_hard_link(store, out / name); }, {name, copy1}, copy1, 1},
        {"a file of an earlier scan with other bytes",
         [&](const fs::path& out) { testing::WriteFileBytes(out / name, "older"); }, {name, copy1}, copy1, 1},
        {"files with other bytes under the name and its first copy",
         [&](const fs::path& out) {
             testing::WriteFileBytes(out / name, "older");
             testing::WriteFileBytes(out / copy1, "old");
         },
         {name, copy1, copy2}, copy2, 1},
        {"the same message from an earlier scan",
         [&](const fs::path& out) { testing::WriteFileBytes(out / name, texts_[0]); }, {name}, name, 0},
    };
    const std::string storeBytes = ReadFileBytes(store);
    for (const TCase& c : cases) {
        testing::WriteFileBytes(victim, "victim");
        const fs::path out = dir_.Path() / "out";
        fs::remove_all(out);
        fs::create_directories(out);
        c.prepare(out);
        const TScanRun run = RunScan(Setup(store, out.string()));
        EXPECT_EQ(run.Outcome.FailureText, "") << c.what;
        EXPECT_EQ(run.Found, starts_) << c.what;
        EXPECT_EQ(run.Outcome.WrittenBeside, c.beside) << c.what;
        EXPECT_EQ(AllFiles(out), c.files) << c.what;
        EXPECT_EQ(ReadFileBytes(out / c.holder), texts_[0]) << c.what;
        EXPECT_EQ(ReadFileBytes(victim), "victim") << c.what;
        EXPECT_EQ(ReadFileBytes(store), storeBytes) << c.what;
        if (c.holder != name && fs::is_regular_file(out / name)) {
            EXPECT_NE(ReadFileBytes(out / name), texts_[0]) << c.what;
        }
    }
}

// A store that lies where the scan writes, under a name it could write, or
// that the mbox file would replace, is refused before anything is written.
TEST_F(BadInput, StoreWhereItsOwnMessagesWouldGoIsRefused) {
    const std::string built = MakeStore(2, 700);
    const std::string bytes = ReadFileBytes(built);
    struct TCase {
        const char* what;
        std::string source;
        std::string mbox = "";
        const char* words = "lies in a folder the scan writes";
    };
    const std::string store = dir_ / "in/Inbox.dbx";
    const std::vector<TCase> cases = {
        {"in the output folder", dir_ / "out/00002AD4.eml"},
        {"in its trash folder", dir_ / "out/trash/00002AD4~3.eml"},
        {"in its folder of deleted messages", dir_ / "out/deleted/0000000000002AD4.eml"},
        {"named like the report's table", dir_ / "out/report.csv", "", "it is the store being scanned"},
        {"named like the report", dir_ / "out/report.json", "", "it is the store being scanned"},
        {"named as the mbox file", store, store, "it is the store being scanned"},
        {"beside an mbox file named like a message", store, dir_ / "out/00002AD4.eml",
         "would have the name of a file the scan writes"},
        {"beside an mbox file named like the report", store, dir_ / "out/report.json",
         "would have the name of a file the scan writes"},
        {"beside an mbox file where a folder stands", store, dir_ / "in", "a folder stands there"},
    };
    for (const TCase& c : cases) {
        fs::remove_all(dir_.Path() / "out");
        fs::remove_all(dir_.Path() / "in");
        fs::create_directories(fs::path(c.source).parent_path());
        testing::WriteFileBytes(c.source, bytes);
        TScanSetup setup = Setup(c.source, dir_ / "out");
        setup.Report = SalvageRecordingBuilt();
        setup.Mbox = c.mbox;
        if (!SalvageRecordingBuilt() && (!c.mbox.empty() || Contains(c.source, "report"))) continue;
        const TScanRun run = RunScan(setup);
        EXPECT_TRUE(Contains(run.Outcome.FailureText, c.words)) << c.what << ": " << run.Outcome.FailureText;
        EXPECT_TRUE(run.Progress.empty()) << c.what;
        EXPECT_EQ(ReadFileBytes(c.source), bytes) << c.what;
        EXPECT_EQ(AllFiles(dir_.Path() / "out").size(), c.source == store ? 0u : 1u) << c.what;
    }
}

// The trash is a folder of its own inside the output folder, under a name
// the scan gives nothing else there.
TEST_F(BadInput, TrashNamesThatLeaveTheOutputFolderAreRefused) {
    TStoreBuilder builder(true);
    builder.AddMessage(tools::MakeMailText(1, 400, false));
    const std::string store = dir_ / "store.dbx";
    builder.WriteTo(store);
    const char* outside = "The trash folder must be named by a single folder name";
    const char* taken = "the scan writes something else under that name";
    struct TCase {
        std::string trash;
        const char* words;
        TScanMode mode = TScanMode::Shallow;
        bool linkToOutput = false;
    };
    const std::vector<TCase> cases = {
        {"..", outside}, {"../", outside}, {".", outside}, {"/", outside}, {"a/b", outside}, {"../x", outside},
        {"deleted", taken, TScanMode::Deep}, {"Deleted", taken, TScanMode::Deep}, {"report.csv", taken},
        {"report.json", taken}, {"00002AD4.eml", taken},
#if TERVALINE_POSIX
        {"mirror", "leads to the output folder", TScanMode::Shallow, true},
#endif
    };
    for (const TCase& c : cases) {
        fs::remove_all(dir_.Path() / "out");
        if (c.linkToOutput) {
            fs::create_directories(dir_.Path() / "out/in");
            fs::create_directory_symlink(dir_.Path() / "out/in", dir_.Path() / "out/in" / c.trash);
        }
        TScanSetup setup = Setup(store, dir_ / "out/in");
        setup.Trash = c.trash;
        setup.Mode = c.mode;
        const TScanRun run = RunScan(setup);
        EXPECT_TRUE(Contains(run.Outcome.FailureText, c.words)) << c.trash << ": " << run.Outcome.FailureText;
        EXPECT_TRUE(run.Found.empty()) << c.trash;
        EXPECT_EQ(AllFiles(dir_.Path()), std::vector<std::string>{"store.dbx"}) << c.trash;
    }
    // Where nothing else is written under it, the name is a trash's like any.
    TScanSetup setup = Setup(store, dir_ / "out/in");
    setup.Trash = "deleted";
    EXPECT_EQ(RunScan(setup).Found.size(), 1u);
}

// Salvaged mail is no easier to read than the store it came from.
#if TERVALINE_POSIX
TEST_F(BadInput, FilesAndFoldersMadeAreNoMoreOpenThanTheStore) {
    TStoreBuilder builder(true);
    const std::uint32_t mail = builder.AddMessage(tools::MakeMailText(1, 300));
    const std::uint32_t notMail = builder.AddMessage(tools::MakeMailText(2, 300, false));
    const std::string store = dir_ / "store.dbx";
    builder.WriteTo(store);
    const ::mode_t mask = ::umask(022);
    using P = fs::perms;
    struct TCase {
        P store, file, folder;
    };
    const std::vector<TCase> cases = {
        {P::owner_read | P::owner_write, P::owner_read | P::owner_write, P::owner_all},
        {P::owner_read | P::owner_write | P::group_read, P::owner_read | P::owner_write | P::group_read,
         P::owner_all | P::group_read | P::group_exec},
        // The user who salvages can always read and write what was saved.
        {P::owner_read | P::group_read | P::others_read,
         P::owner_read | P::owner_write | P::group_read | P::others_read,
         P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec},
    };
    for (const TCase& c : cases) {
        fs::permissions(store, c.store);
        const fs::path made = dir_.Path() / "made";
        fs::remove_all(made);
        TScanSetup setup = Setup(store, (made / "out").string());
        // The report and the mbox file hold the same mail as the messages.
        std::vector<fs::path> files = {made / "out" / MessageFileName(mail, 0),
                                       made / "out/trash" / MessageFileName(notMail, 0)};
        std::vector<fs::path> folders = {made, made / "out", made / "out/trash"};
        if (SalvageRecordingBuilt()) {
            setup.Report = true;
            setup.Mbox = (made / "boxes/all.mbox").string();
            files.insert(files.end(), {made / "out/report.csv", made / "out/report.json", made / "boxes/all.mbox"});
            folders.push_back(made / "boxes");
        }
        const TScanRun run = RunScan(setup);
        ASSERT_EQ(run.Found.size(), 2u) << run.Outcome.FailureText << run.Outcome.FirstUnwrittenReason;
        for (const fs::path& file : files) EXPECT_EQ(fs::status(file).permissions(), c.file) << file;
        for (const fs::path& folder : folders) EXPECT_EQ(fs::status(folder).permissions(), c.folder) << folder;
    }
    ::umask(mask);
}
#else
TERVALINE_POSIX_ONLY_TEST_F(BadInput, FilesAndFoldersMadeAreNoMoreOpenThanTheStore,
                            "it takes POSIX permission bits; Windows files take their folder's access rules")
#endif

// A scan cut short (a kill, a power loss) leaves its temporary files; the
// next scan into the folders removes them, and only them.
TEST_F(BadInput, TemporaryFilesOfAnEarlierScanAreRemovedAndCounted) {
    TStoreBuilder builder(true);
    builder.AddMessage(tools::MakeMailText(1, 400, false));
    const std::string store = dir_ / "store.dbx";
    builder.WriteTo(store);
    const fs::path out = dir_.Path() / "out";
    fs::create_directories(out / "trash");
    std::vector<std::string> leftovers = {"00002AD4.eml.k3j9x0qa.partial",
                                          "trash/00000000001A2B3C~2.eml.00000000.partial"};
    std::vector<std::string> others = {"notes.txt.k3j9x0qa.partial", "00002AD4.eml.partial",
                                       "deleted/00002AD4.eml.k3j9x0qa.partial", "trash/.report-room"};
    // The report's leftovers go with a scan that writes one, and so does the
    // room earlier versions held for it.
    if (SalvageRecordingBuilt()) {
        leftovers.insert(leftovers.end(), {"report.json.zq81mmx0.partial", ".report-room", "all.mbox.00aa11bb.partial"});
    }
    // Where names match without regard to case this is the leftover's own.
    if (TERVALINE_POSIX) others.push_back("00002AD4.eml.K3J9X0QA.partial");
    fs::create_directories(out / "deleted");
    for (const std::string& f : leftovers) testing::WriteFileBytes(out / f, "cut short");
    for (const std::string& f : others) testing::WriteFileBytes(out / f, "someone else's");
    TScanSetup setup = Setup(store, out.string());
    setup.Report = SalvageRecordingBuilt();
    if (setup.Report) setup.Mbox = (out / "all.mbox").string();
    const TScanRun run = RunScan(setup);
    EXPECT_EQ(run.Outcome.FailureText, "");
    EXPECT_EQ(run.Outcome.LeftoversRemoved, leftovers.size());
    std::vector<std::string> expected = others;
    expected.push_back("trash/00002AD4.eml");
    if (setup.Report) expected.insert(expected.end(), {"all.mbox", "report.csv", "report.json"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(AllFiles(out), expected);
}

// The report costs the messages its own bytes and little more: its room is
// held a few blocks at a time, never for the whole scan ahead.
TEST_F(BadInput, FullDiskKeepsEveryWrittenMessageWholeAndLeavesNoPartialFile) {
    const std::string store = MakeStore(300, 3000);
    std::size_t withoutReport = 0;
    for (const bool report : {false, true}) {
        if (report && !SalvageRecordingBuilt()) break;
        TTmpfs small(dir_.Path() / "small", "size=1m", 0);
        if (!small.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (" << small.Why() << "); "
                                           << "the injected write failure below covers the same path";
        const fs::path out = dir_.Path() / "small" / "out";
        TScanSetup setup = Setup(store, out.string());
        setup.Report = report;
        const TScanRun run = RunScan(setup);
        EXPECT_EQ(run.Outcome.FailureText, "");
        EXPECT_GT(run.Found.size(), 0u);
        EXPECT_GT(run.Outcome.Unwritten, 0u);
        EXPECT_EQ(run.Found.size() + run.Outcome.Unwritten, 300u);
        EXPECT_TRUE(Contains(run.Outcome.FirstUnwrittenReason, "No space left on device"))
            << run.Outcome.FirstUnwrittenReason;
        EXPECT_FALSE(AnyPartial(out)) << ::testing::PrintToString(AllFiles(out));
        EXPECT_EQ(AllFiles(out).size(), run.Found.size() + (report ? 2 : 0));
        ExpectWrittenFilesWhole(out);
        if (!report) {
            withoutReport = run.Found.size();
            continue;
        }
        // Each row is about a third of a message's 4 KiB page here.
        EXPECT_GE(run.Found.size() * 4, withoutReport * 3) << withoutReport;
        const std::string json = ReadFileBytes(out / "report.json");
        EXPECT_TRUE(Contains(json, "\"outcome\": \"failed\"")) << json.substr(json.size() - 1500);
        EXPECT_TRUE(Contains(json, "\"output\": ")) << json.substr(json.size() - 1500);
    }
}

#ifdef TERVALINE_FAULT_INJECTION
TEST_F(BadInput, InjectedWriteFailuresHalfwayLeaveNoPartialFile) {
    const std::string store = MakeStore(4, 1500);
    const fs::path out = dir_.Path() / "out";
    const std::string victim = MessageFileName(starts_[1], 0);
    const std::string alsoVictim = MessageFileName(starts_[3], 0);
    std::atomic<int> calls{0};
    platform::SetWriteFaultForTesting([&](const std::string& path, std::size_t written) {
        ++calls;
        if (Contains(path, victim) && written > 0) return ENOSPC;  // the second half fails
        if (Contains(path, alsoVictim)) return EIO;                // the first half fails
        return 0;
    });
    const TScanRun run = RunScan(Setup(store, out.string()));
    platform::SetWriteFaultForTesting({});
    EXPECT_GT(calls.load(), 0);
    EXPECT_EQ(run.Outcome.FailureText, "");
    EXPECT_EQ(run.Found, (std::vector<std::uint64_t>{starts_[0], starts_[2]}));
    EXPECT_EQ(run.Outcome.Unwritten, 2u);
    EXPECT_TRUE(Contains(run.Outcome.FirstUnwrittenReason, "Cannot write")) << run.Outcome.FirstUnwrittenReason;
    EXPECT_TRUE(Contains(run.Outcome.FirstUnwrittenReason, victim)) << run.Outcome.FirstUnwrittenReason;
    EXPECT_TRUE(Contains(run.Outcome.FirstUnwrittenReason, "No space left on device")) << run.Outcome.FirstUnwrittenReason;
    EXPECT_EQ(AllFiles(out), (std::vector<std::string>{MessageFileName(starts_[0], 0),
                                                        MessageFileName(starts_[2], 0)}));
    ExpectWrittenFilesWhole(out);
}

TEST_F(BadInput, ReplacingAnExistingMessageFailsWithoutHarmingIt) {
    const std::string store = MakeStore(1, 300);
    const fs::path out = dir_.Path() / "out";
    fs::create_directories(out);
    const fs::path existing = out / MessageFileName(starts_[0], 0);
    testing::WriteFileBytes(existing, "salvaged by an earlier scan");
    platform::SetWriteFaultForTesting([](const std::string&, std::size_t written) { return written > 0 ? EIO : 0; });
    const TScanRun run = RunScan(Setup(store, out.string()));
    platform::SetWriteFaultForTesting({});
    EXPECT_EQ(run.Outcome.Unwritten, 1u);
    EXPECT_EQ(ReadFileBytes(existing), "salvaged by an earlier scan");
    EXPECT_FALSE(AnyPartial(out));
}
#endif

// A message longer than the writer's queue holds (4 MiB) is streamed to its
// file block by block, in every mode, and still tested and written whole:
// memory stays bounded whatever a chain's length, however hostile the store.
TEST_F(BadInput, MessagesTooLongToHoldAreStreamedWhole) {
    constexpr std::size_t kMiB = 1u << 20;
    TStoreBuilder builder(true);
    struct TLong {
        std::string text;
        std::uint32_t start;
        const char* folder;  // where it belongs
    };
    std::vector<TLong> messages;
    const auto add = [&](std::string text, const char* folder) {
        const std::uint32_t start = builder.AddMessage(text);
        messages.push_back({std::move(text), start, folder});
        builder.AddZeros(3000);
    };
    add(tools::MakeMailText(1, 9 * kMiB), "");
    add(tools::MakeMailText(2, 5 * kMiB, false), "trash");
    // Its only address stands past the first window of the test.
    add(tools::MakeMailText(3, 6 * kMiB, false) + "To: ann@example.com\r\n" + tools::MakeMailText(4, kMiB, false), "");
    add(tools::MakeMailText(5, 1000), "");
    // Deleted, and so undeleted by Deep mode alone; the zeros its last
    // block ends in are dropped from the file.
    const std::string deleted = tools::MakeMailText(6, 5 * kMiB + 100);
    auto blocks = TStoreBuilder::ChainBlocks(builder.End(), deleted);
    TStoreBuilder::MarkDeleted(blocks);
    const std::uint32_t deletedAt = builder.End();
    builder.AddBlocks(blocks);
    const std::string store = dir_ / "long.dbx";
    builder.WriteTo(store);
    for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep}) {
        const fs::path out = dir_.Path() / ("out-" + std::string(ScanModeName(mode)));
        TScanSetup setup = Setup(store, out.string());
        setup.Mode = mode;
        const TScanRun run = RunScan(setup);
        EXPECT_EQ(run.Outcome.FailureText, "") << mode;
        EXPECT_EQ(run.Outcome.Unwritten, 0u) << mode << ": " << run.Outcome.FirstUnwrittenReason;
        std::vector<std::string> expected;
        for (const TLong& m : messages) {
            const fs::path file = out / m.folder / MessageFileName(m.start, 0);
            expected.push_back(file.lexically_relative(out).generic_string());
            EXPECT_TRUE(fs::exists(file) && ReadFileBytes(file) == m.text) << mode << ", " << file;
        }
        if (mode == TScanMode::Deep) {
            const fs::path file = out / "deleted" / MessageFileName(deletedAt, 0);
            expected.push_back(file.lexically_relative(out).generic_string());
            EXPECT_TRUE(fs::exists(file) && ReadFileBytes(file) == TStoreBuilder::UndeletedText(deleted)) << file;
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(AllFiles(out), expected) << mode;
    }
}

// A store that changes size under the scan ends it at once, with the change
// said, instead of searching on past its end or missing what was added.
#if TERVALINE_POSIX
TEST_F(BadInput, StoreThatChangesSizeDuringTheScanEndsIt) {
    struct TCase {
        const char* what;
        std::function<void(const std::string& store)> change;
    };
    const std::vector<TCase> cases = {
        {"cut short", [](const std::string& store) { ::truncate(store.c_str(), 1 << 20); }},
        {"grown", [](const std::string& store) { ::truncate(store.c_str(), 6 << 20); }},
    };
    for (const TCase& c : cases) {
        const std::string store = MakeStore(40, 2000, 80000);
        TScanSetup setup = Setup(store, dir_ / "out");
        setup.Mode = TScanMode::Bottom;
        setup.BufferSize = 4096;
        bool changed = false;
        setup.OnProgressHook = [&](TDBXScanThread&, const TScanProgress&) {
            if (!std::exchange(changed, true)) c.change(store);
        };
        const auto t0 = std::chrono::steady_clock::now();
        const TScanRun run = RunScan(setup);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_TRUE(Contains(run.Outcome.FailureText, "\"" + store + "\" changed size during the scan"))
            << c.what << ": " << run.Outcome.FailureText;
        EXPECT_FALSE(run.Outcome.ReachedEnd) << c.what;
        EXPECT_LT(seconds, 20.0) << c.what;
        ExpectWrittenFilesWhole(dir_.Path() / "out");
        fs::remove_all(dir_.Path() / "out");
    }
}
#else
TERVALINE_POSIX_ONLY_TEST_F(BadInput, StoreThatChangesSizeDuringTheScanEndsIt,
                            "a store held without sharing cannot change size under the scan here")
#endif

// A disk is read through its device, whose size the device tells; it needs
// a loop device, which only some machines let a test make.
#if TERVALINE_POSIX
TEST_F(BadInput, DiskIsScannedThroughItsDevice) {
    TStoreBuilder builder(false);
    for (int i = 0; i < 6; ++i) {
        builder.AddZeros(1000);
        texts_.push_back(tools::MakeMailText(300 + i, 1500));
        starts_.push_back(builder.AddMessage(texts_.back()));
    }
    builder.Align(4096);
    builder.WriteTo(dir_ / "disk.img");
    std::string device;
    if (FILE* pipe = ::popen(("losetup -f --show " + (dir_ / "disk.img") + " 2>/dev/null").c_str(), "r")) {
        char line[256] = {};
        if (std::fgets(line, sizeof line, pipe) != nullptr) device = line;
        ::pclose(pipe);
    }
    while (!device.empty() && device.back() == '\n') device.pop_back();
    if (device.empty()) GTEST_SKIP() << "no loop device can be made here";
    if (!fs::exists(device)) {
        std::system(("losetup -d " + device + " 2>/dev/null").c_str());
        GTEST_SKIP() << "the loop device " << device << " has no node here";
    }
    TScanSetup setup = Setup(device, dir_ / "out");
    setup.Mode = TScanMode::Bottom;
    const TScanRun run = RunScan(setup);
    // Without an output folder given, a disk's goes to the current folder,
    // never among the devices.
    EXPECT_EQ(DefaultOutputFolder(platform::TPathSyntax::Posix, device),
              platform::CurrentFolder() + "/" + fs::path(device).filename().string() + ".salvaged");
    std::system(("losetup -d " + device).c_str());
    EXPECT_EQ(run.Outcome.FailureText, "");
    EXPECT_TRUE(run.Outcome.ReachedEnd);
    EXPECT_EQ(run.Found, starts_);
    ExpectWrittenFilesWhole(dir_.Path() / "out");
}
#else
TERVALINE_POSIX_ONLY_TEST_F(BadInput, DiskIsScannedThroughItsDevice,
                            "it makes a loop device; the Windows file system test measures a disk")
#endif

// A scan driven by hand, so that a stop can be requested from any of its
// notifications or from another thread.
struct THandRun {
    std::vector<std::uint64_t> found;
    std::string failure;
    int doneCount = 0;
    std::uint64_t searchedTo = 0;
};

THandRun RunWithStop(const std::string& source, const std::string& output, TScanMode mode,
                     const std::function<void(TDBXScanThread&)>& beforeStart,
                     const std::function<bool(std::uint64_t)>& stopAtProgress,
                     const std::function<void(TDBXScanThread&)>& whileRunning) {
    platform::TQueueDispatcher dispatcher;
    THandRun run;
    TDBXScanThread* scan = nullptr;
    TScanEvents events;
    events.Found = [&](const TFoundMessage& found) {
        dispatcher.Post([&run, address = found.Address] { run.found.push_back(address); });
    };
    events.Progress = [&](const TScanProgress& progress) {
        if (stopAtProgress && stopAtProgress(progress.Done)) scan->RequestStop();
    };
    events.Done = [&run](const TScanOutcome& outcome) {
        ++run.doneCount;
        run.failure = outcome.FailureText;
        run.searchedTo = outcome.SearchedTo;
    };
    TScanSettings settings;
    settings.Source = source;
    settings.Output = output;
    settings.Mode = mode;
    settings.BufferSize = 4096;
    auto worker = std::make_unique<TDBXScanThread>(dispatcher, settings, std::move(events));
    TDBXScanThreadPeer::SetProgressSteps(*worker, 100000);  // a report at almost every step
    scan = worker.get();
    if (beforeStart) beforeStart(*worker);
    TDBXScanThread* running = platform::TThread::StartFreeOnDone(std::move(worker));
    if (whileRunning) whileRunning(*running);
    dispatcher.RunUntil([&run] { return run.doneCount > 0; });
    dispatcher.RunPending();
    return run;
}

TEST_F(BadInput, StopRequestInEveryPhaseEndsCleanly) {
    const std::string store = MakeStore(6, 1200, 20000);
    const std::uint64_t second = starts_[1];
    struct TCase {
        const char* phase;
        std::function<void(TDBXScanThread&)> beforeStart;
        std::function<bool(std::uint64_t)> stopAtProgress;
        std::size_t shallowFound;  // messages written before the stop took effect
        std::size_t bottomFound;
        // Deep mode writes nothing before its index pass has read the file,
        // and its carving reports progress by the chain, after the index.
        std::optional<std::size_t> deepFound;
    };
    const std::vector<TCase> cases = {
        // Shallow mode recognises the chain at the very first position and
        // carves it before the flag is first read; Bottom mode needs a step.
        {"before the start", [](TDBXScanThread& s) { s.RequestStop(); }, nullptr, 1, 0, 0},
        {"during the search", nullptr, [&](std::uint64_t p) { return p > starts_[0] + 2000 && p < second; }, 1, 1, 0},
        // Reports behind the second chain's first block come from its
        // carving, which is finished before the stop is seen.
        {"during the carving", nullptr, [&](std::uint64_t p) { return p >= second + 528 && p < second + 1584; }, 2,
         2, std::nullopt},
    };
    for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep}) {
        for (const TCase& c : cases) {
            if (mode == TScanMode::Deep && !c.deepFound) continue;
            const std::size_t expected = mode == TScanMode::Shallow  ? c.shallowFound
                                         : mode == TScanMode::Bottom ? c.bottomFound
                                                                     : *c.deepFound;
            const fs::path out = dir_.Path() / (std::string("out-") + c.phase + ScanModeName(mode));
            const THandRun run = RunWithStop(store, out.string(), mode, c.beforeStart, c.stopAtProgress, nullptr);
            EXPECT_EQ(run.doneCount, 1) << c.phase;
            EXPECT_EQ(run.failure, "") << c.phase;
            EXPECT_EQ(run.found, std::vector<std::uint64_t>(starts_.begin(), starts_.begin() + expected))
                << c.phase << ", mode " << mode;
            EXPECT_EQ(AllFiles(out).size(), expected) << c.phase;
            ExpectWrittenFilesWhole(out);
            // The place the search stopped at is one in the store, behind
            // every message written and before every one not.
            EXPECT_LE(run.searchedTo, expected < starts_.size() ? starts_[expected] : ~0ull) << c.phase << ", mode " << mode;
            if (expected > 0) {
                EXPECT_GT(run.searchedTo, starts_[expected - 1]) << c.phase << ", mode " << mode;
            }
        }
    }
}

TEST_F(BadInput, StopFromAnotherThreadLeavesOnlyWholeMessages) {
    // Long enough that the search is still under way when the first file
    // is there: what it had found by the stop is all written.
    const std::string store = MakeStore(2000, 1200, 20000);
    const fs::path out = dir_.Path() / "out";
    std::thread stopper;
    const THandRun run = RunWithStop(store, out.string(), TScanMode::Bottom, nullptr, nullptr, [&](TDBXScanThread& scan) {
        // The worker pointer stays valid until OnDone, which this thread
        // delivers only after the stopper has been joined.
        // The output folder is made before the search begins; the first
        // message in it shows that the writing is under way.
        const fs::path first = out / MessageFileName(starts_[0], 0);
        stopper = std::thread([&scan, first] {
            while (!fs::exists(first)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            scan.RequestStop();
        });
        stopper.join();
    });
    EXPECT_EQ(run.doneCount, 1);
    EXPECT_EQ(run.failure, "");
    EXPECT_GT(run.found.size(), 0u);
    EXPECT_LT(run.found.size(), 2000u);
    EXPECT_EQ(AllFiles(out).size(), run.found.size());
    EXPECT_FALSE(AnyPartial(out));
    ExpectWrittenFilesWhole(out);
}

TEST_F(BadInput, AScanDestroyedWhileRunningStopsBeforeItsPartsGo) {
    // More than the writer's queue holds, so that the stop finds the search
    // still waiting for room.
    const std::string store = MakeStore(300, 20000);
    const fs::path out = dir_.Path() / "out";
    platform::TQueueDispatcher dispatcher;
    std::atomic<int> found{0};
    TScanEvents events;
    events.Found = [&found](const TFoundMessage&) {
        ++found;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    TScanSettings settings;
    settings.Source = store;
    settings.Output = out.string();
    settings.BufferSize = 4096;
    auto worker = std::make_unique<TDBXScanThread>(dispatcher, settings, std::move(events));
    worker->Start();
    for (int i = 0; i < 10000 && found == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(found.load(), 0);
    worker.reset();  // neither thread may outlive it, nor use what it owned
    const int reported = found.load();
    EXPECT_LT(reported, 300);
    EXPECT_EQ(AllFiles(out).size(), static_cast<std::size_t>(reported)) << "every file written was reported";
    EXPECT_FALSE(AnyPartial(out));
    ExpectWrittenFilesWhole(out);
}

// A disk that goes away during the scan fails every read from then on: the
// scan gives up after a number of reads that does not grow with the disk,
// says why, and keeps what it wrote before.
#ifdef TERVALINE_FAULT_INJECTION
TEST_F(BadInput, ADiskThatGoesAwayEndsTheScanAfterBoundedReads) {
    const std::string store = MakeStore(20, 1500);
    const std::uint64_t gone = starts_[12] + 1000;
    // The rest of a large disk, which the scan must not try sector by sector.
    fs::resize_file(store, 1ull << 30);
    const std::uint64_t sectors = TRescueRead::kGiveUpBytes / 512;
    for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep}) {
        const fs::path out = dir_.Path() / ("out-" + std::string(ScanModeName(mode)));
        const testing::TUnreadableDisk disk(store, {testing::TUnreadableDisk::GoneFrom(gone)});
        TScanSetup setup = Setup(store, out.string());
        setup.Mode = mode;
        const TScanRun run = RunScan(setup);
        for (const std::string& w : {"Gave up reading \"" + store + "\"", disk.Reason(), std::string("may have gone away")}) {
            EXPECT_TRUE(Contains(run.Outcome.FailureText, w)) << mode << ": " << run.Outcome.FailureText;
        }
        EXPECT_FALSE(run.Outcome.ReachedEnd) << mode;
        // Each sector is read alone once the failures run on: a read more
        // now and then, where a window begins.
        EXPECT_GE(disk.FailedReads(), sectors) << mode;
        EXPECT_LE(disk.FailedReads(), sectors + sectors / 8) << mode;
        ASSERT_FALSE(run.Outcome.Unreadable.empty()) << mode;
        EXPECT_EQ(run.Outcome.Unreadable[0].Offset, gone / 512 * 512) << mode;
        EXPECT_LT(run.Outcome.UnreadableBytes, 2 * TRescueRead::kGiveUpBytes) << mode;
        // Deep mode reads the whole disk before it writes anything; the
        // others keep what lay before, and the front of the message the
        // disk went away in.
        if (mode != TScanMode::Deep) {
            EXPECT_EQ(run.Found, std::vector<std::uint64_t>(starts_.begin(), starts_.begin() + 13)) << mode;
            for (std::size_t i = 0; i < 13; ++i) {
                const std::string text = ReadFileBytes(out / MessageFileName(starts_[i], 0));
                EXPECT_EQ(text, i < 12 ? texts_[i] : texts_[i].substr(0, 512)) << mode << ", message " << i;
            }
        }
        EXPECT_EQ(AllFiles(out).size(), run.Found.size()) << mode;
    }
}
#else
TERVALINE_FAULT_INJECTION_TEST_F(BadInput, ADiskThatGoesAwayEndsTheScanAfterBoundedReads)
#endif

}  // namespace
}  // namespace tervaline::engine
