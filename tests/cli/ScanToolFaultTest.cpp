// tervaline-scan meeting bad input and faults: every one ends with the
// reason in words on stderr, the count on stdout, and the right exit status,
// and never leaves a partial message file behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/ScanCommand.h"
#include "platform/FileSystem.h"
#include "tests/cli/ToolRun.h"
#include "tests/support/TempDir.h"
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

// What runs a command as a user whom file permissions stop: nothing when
// the tests already run as one; as root, the nobody account.
std::optional<std::string> AsUnprivileged() {
    if (::geteuid() != 0) return std::string();
    if (::access("/usr/bin/setpriv", X_OK) == 0) {
        return std::string("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ");
    }
    return std::nullopt;
}

std::vector<std::string> AllFiles(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
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

TEST_F(ScanToolFault, UnusableStoresAndOutputsAreSaidAndEndWithStatusOne) {
    fs::create_directories(dir_.Path() / "folder.dbx");
    testing::WriteFileBytes(dir_ / "taken", "a file");
    struct TCase {
        const char* what;
        std::string args;
        std::vector<std::string> words;
        const char* count;
    };
    const std::vector<TCase> cases = {
        {"missing store", Quote(dir_ / "none.dbx"), {"the scan failed", "none.dbx", "No such file"}, "0 files found"},
        {"a folder without stores", Quote(dir_ / "folder.dbx"), {"holds no .dbx store"}, "0 files found"},
        {"an existing file as the output", Quote(Store()) + " " + Quote(dir_ / "taken"),
         {"2 messages could not be written", "Cannot create the folder", "File exists"}, "0 files found"},
        {"an output below a file", Quote(Store()) + " " + Quote(dir_ / "taken/out"),
         {"2 messages could not be written", "taken\": File exists"}, "0 files found"},
    };
    for (const TCase& c : cases) {
        const TToolResult r = RunTool(dir_, c.args);
        EXPECT_EQ(r.status, kExitFailed) << c.what << ": " << r.err;
        for (const std::string& w : c.words) EXPECT_TRUE(Contains(r.err, w)) << c.what << ": " << r.err;
        EXPECT_TRUE(Contains(r.out, c.count)) << c.what << ": " << r.out;
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "taken"), "a file");
}

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

    const TToolResult readOnly = RunTool(dir_, Quote(Store()) + " " + Quote(dir_ / "readonly/out"), *prefix);
    EXPECT_EQ(readOnly.status, kExitFailed) << readOnly.err;
    EXPECT_TRUE(Contains(readOnly.err, "2 messages could not be written")) << readOnly.err;
    EXPECT_TRUE(Contains(readOnly.err, "Permission denied")) << readOnly.err;
    EXPECT_TRUE(Contains(readOnly.out, "0 files found")) << readOnly.out;
}

TEST_F(ScanToolFault, StoreLockedByARunningScanIsRefused) {
    TStoreBuilder big(true);
    for (int i = 0; i < 100; ++i) {
        big.AddMessage(tools::MakeMailText(i, 800));
        big.AddZeros(400000);
    }
    big.WriteTo(dir_ / "big.dbx");
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
    EXPECT_TRUE(Contains(second, "0 files found")) << second;
    EXPECT_FALSE(fs::exists(dir_.Path() / "second"));
    // The first scan was interrupted, not harmed.
    EXPECT_EQ(ReadFileBytes(dir_ / "first-status.txt"), "130\n");
}

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
    EXPECT_EQ(AllFiles(small / "out").size(), written + 2);
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_TRUE(Contains(report, "\"outcome\": \"failed\"")) << report.substr(0, 2000);
    EXPECT_TRUE(Contains(report, "No space left on device")) << report.substr(0, 2000);
    EXPECT_TRUE(Contains(report, "\"output\": " + std::to_string(written) + ",")) << report.substr(0, 2000);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_TRUE(Contains(r.err, "could not be written")) << r.err;
    EXPECT_TRUE(Contains(r.err, "No space left on device")) << r.err;
    EXPECT_GT(written, 0u);
    EXPECT_EQ(r.out, std::to_string(written) + " files found\n");
}

TEST_F(ScanToolFault, TerminationStopsTheScanWithStatus130AndWholeFiles) {
    TStoreBuilder big(true);
    texts_.clear();
    starts_.clear();
    for (int i = 0; i < 200; ++i) {
        texts_.push_back(tools::MakeMailText(i, 2000));
        starts_.push_back(big.AddMessage(texts_.back()));
        big.AddZeros(400000);
    }
    big.WriteTo(dir_ / "big.dbx");
    const TToolResult r = testing::SignalToolMidScan(dir_, dir_ / "big.dbx", dir_ / "out", "TERM");
    const std::string& out = r.out;
    EXPECT_EQ(r.status, kExitInterrupted) << out;
    EXPECT_TRUE(Contains(out, "stopped before the end of the store")) << out;
    const std::size_t written = testing::ListMessageFiles(dir_.Path() / "out").size();
    EXPECT_LT(written, 200u);
    EXPECT_TRUE(Contains(out, std::to_string(written) + " files found")) << out;
    ExpectWrittenFilesWhole(dir_.Path() / "out");
}

}  // namespace
}  // namespace tervaline::cli
