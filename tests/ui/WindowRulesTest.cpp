// The small rules of the window model: what each phase allows, the output
// folder that follows the store, the buffer, and the status line of a scan
// under way, and how the mode row shares its room.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/SettingsFolder.h"
#include "tests/support/TempDir.h"
#include "ui/BufferSize.h"
#include "ui/ControlStates.h"
#include "ui/DurationText.h"
#include "ui/OutputFolder.h"
#include "ui/RememberedChoices.h"
#include "ui/StatusView.h"
#include "ui/WindowLayout.h"

namespace tervaline::ui {
namespace {

using namespace std::chrono_literals;

TEST(ControlStatesTest, ARunningScanLocksWhatItUses) {
    struct TCase {
        TScanPhase Phase;
        bool FolderExists;
        bool Inputs;  // store, output, trash, mode, buffer, options and their Browse buttons
        bool Start, Abort, OpenFolder;
    };
    const TCase cases[] = {
        {TScanPhase::Idle, false, true, true, false, false},
        {TScanPhase::Scanning, true, false, false, true, false},
        {TScanPhase::Stopping, true, false, false, false, false},
        {TScanPhase::Done, true, true, true, false, true},
        {TScanPhase::Done, false, true, true, false, false},
    };
    for (const auto& c : cases) {
        const TControlStates s = ControlStatesOf(c.Phase, c.FolderExists);
        const int phase = static_cast<int>(c.Phase);
        for (bool input : {s.StoreBox, s.BrowseStore, s.OutputBox, s.BrowseOutput, s.TrashBox, s.ModeChoice,
                           s.BufferBox, s.ScanOptions}) {
            EXPECT_EQ(input, c.Inputs) << phase;
        }
        EXPECT_EQ(s.Start, c.Start) << phase;
        EXPECT_EQ(s.Abort, c.Abort) << phase;
        EXPECT_TRUE(s.Close) << phase;
        EXPECT_EQ(s.OpenFolder, c.OpenFolder) << phase;
    }
}

TEST(OutputFolderTest, FollowsTheStoreUntilTheUserChoosesAFolder) {
    const testing::TTempDir work;
    std::filesystem::create_directories(work.Path() / "stores");
    const std::string file = work / "stores/notes.txt";
    testing::WriteFileBytes(file, "x");
    struct TStep {
        enum { Store, Choose, Drop } Kind;
        std::string Path;
        std::string Shown;
        bool Chosen;
    };
    struct TCase {
        const char* Name;
        std::vector<TStep> Steps;
    };
    const TCase cases[] = {
        {"beside each store in turn",
         {{TStep::Store, "/mail/Sent.dbx", "/mail/Sent", false}, {TStep::Store, "/other/Inbox.dbx", "/other/Inbox", false}}},
        {"never the store itself", {{TStep::Store, "/mail/Sent", "/mail/Sent.salvaged", false}}},
        {"a chosen folder holds",
         {{TStep::Store, "/mail/Sent.dbx", "/mail/Sent", false},
          {TStep::Choose, "/out/Salvage", "/out/Salvage", true},
          {TStep::Store, "/other/Inbox.dbx", "/out/Salvage", true}}},
        {"choosing nothing follows the store again",
         {{TStep::Choose, "/out", "/out", true}, {TStep::Store, "/mail/Sent.dbx", "/out", true},
          {TStep::Choose, "", "/mail/Sent", false}}},
        {"the box giving back the derived folder is no choice",
         {{TStep::Store, "/mail/Sent.dbx", "/mail/Sent", false}, {TStep::Choose, "/mail/Sent", "/mail/Sent", false},
          {TStep::Store, "/mail/Inbox.dbx", "/mail/Inbox", false}}},
        {"a folder of stores is its own output folder", {{TStep::Store, work / "stores", work / "stores", false}}},
        {"a dropped file stands for its folder", {{TStep::Drop, file, work / "stores", true}}},
        {"a dropped folder stands for itself", {{TStep::Drop, work / "stores", work / "stores", true}}},
    };
    for (const auto& c : cases) {
        TOutputFolderChoice choice;
        for (const TStep& step : c.Steps) {
            if (step.Kind == TStep::Store) choice.StoreChanged(step.Path);
            if (step.Kind == TStep::Choose) choice.Choose(step.Path);
            if (step.Kind == TStep::Drop) choice.Drop(step.Path);
            EXPECT_EQ(choice.Shown(), step.Shown) << c.Name << ": " << step.Path;
            EXPECT_EQ(choice.ChosenByUser(), step.Chosen) << c.Name << ": " << step.Path;
        }
    }
}

TEST(OutputFolderTest, ARelativeFolderIsTakenFromTheStoresAndPickersStartAtAnExistingOne) {
    constexpr auto kPosix = platform::TPathSyntax::Posix;
    EXPECT_EQ(OutputFolderFor(kPosix, "/mail/Sent.dbx", ""), "/mail/Sent");
    EXPECT_EQ(OutputFolderFor(kPosix, "/mail/Sent.dbx", "out"), "/mail/out");
    EXPECT_EQ(OutputFolderFor(kPosix, "/mail/Sent.dbx", "/out"), "/out");

    const testing::TTempDir work;
    std::filesystem::create_directories(work.Path() / "a");
    testing::WriteFileBytes(work.Path() / "a/file.txt", "x");
    struct TCase {
        std::string Path;
        std::string Nearest;
    };
    const TCase cases[] = {{work / "a", work / "a"}, {work / "a/new/deeper", work / "a"},
                           {work / "a/file.txt", work / "a"}, {"relative/a", ""}};
    for (const auto& c : cases) EXPECT_EQ(NearestExistingFolder(c.Path), c.Nearest) << c.Path;
}

TEST(BufferSizeTest, OnlyAWholeNumberOfKilobytesFromOneTo5000) {
    struct TCase {
        const char* Text;
        std::optional<int> Kilobytes;
    };
    const TCase cases[] = {
        {"64", 64}, {"1", 1}, {"5000", 5000}, {" 10 ", 10}, {"0064", 64},
        {"\xEF\xBC\x96\xEF\xBC\x94", 64},  // full-width digits from an input method
        {"", std::nullopt}, {"0", std::nullopt}, {"5001", std::nullopt}, {"-5", std::nullopt},
        {"+5", std::nullopt}, {"64.5", std::nullopt}, {"1 0", std::nullopt}, {"0x10", std::nullopt},
        {"99999999999", std::nullopt}, {"64 KB", std::nullopt}, {"\xEF\xBC\x9A", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto size = TBufferSize::Parse(c.Text);
        EXPECT_EQ(size ? std::optional<int>(size->Kilobytes()) : std::nullopt, c.Kilobytes) << c.Text;
        if (size) {
            EXPECT_EQ(size->Bytes(), *c.Kilobytes * 1024);
        }
    }
}

TEST(ShareWidthTest, EqualColumnsWhenAllFitElseTheWiderGiveWay) {
    struct TCase {
        std::vector<int> Wanted;
        int Room;
        std::vector<int> Expected;
    };
    const TCase cases[] = {
        {{80, 90}, 194, {97, 97}},
        {{60, 120}, 194, {67, 127}},
        {{100, 120}, 200, {100, 100}},
        {{50, 100, 120}, 200, {50, 75, 75}},
        {{100}, 80, {80}},
        {{}, 100, {}},
    };
    for (const auto& c : cases) {
        const std::vector<int> shares = ShareWidth(c.Wanted, c.Room);
        EXPECT_EQ(shares, c.Expected) << c.Room;
        int total = 0;
        for (int share : shares) total += share;
        EXPECT_LE(total, c.Room);
    }
}

TEST(StatusViewTest, AScanUnderWaySaysWhatItFoundHowFarItIsAndHowLongItNeeds) {
    const TInterfaceTexts texts;
    const auto running = [](std::uint64_t found, int permille, std::chrono::milliseconds elapsed,
                            std::string store = "", int index = 1, int count = 1) {
        return TRunningStatus{found, permille, elapsed, std::move(store), index, count};
    };
    struct TCase {
        TRunningStatus Status;
        TStatusView Expected;
    };
    const TCase cases[] = {
        {running(0, 0, 0ms), {"0 messages found", "0% done", 0, ""}},
        // Too early to tell the time left.
        {running(3, 5, 10s), {"3 messages found", "0% done", 5, ""}},
        {running(12, 250, 1s), {"12 messages found", "25% done", 250, ""}},
        {running(12, 250, 30s), {"12 messages found", "25% done, 1:30 left", 250, ""}},
        {running(40, 999, 3600s), {"40 messages found", "99% done, 0:04 left", 999, ""}},
        {running(7, 500, 7200s, "Sent.dbx", 2, 5), {"7 messages found", "50% done, 2:00:00 left", 500, "Sent.dbx (2 of 5)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(RunningStatusView(c.Status, texts), c.Expected) << c.Expected.Line2;
}

TEST(DurationTextTest, MinutesAndSecondsThenHours) {
    struct TCase {
        std::chrono::milliseconds Duration;
        const char* Expected;
    };
    const TCase cases[] = {{0ms, "0:00"},        {999ms, "0:00"},       {59'999ms, "0:59"},     {60s, "1:00"},
                           {3599s, "59:59"},     {3600s, "1:00:00"},    {3723s, "1:02:03"},     {-5ms, "0:00"}};
    for (const auto& c : cases) EXPECT_EQ(DurationText(c.Duration), c.Expected) << c.Duration.count();
}

TEST(RememberedChoicesTest, WhatIsWrittenIsReadBackAndWhatIsBadFallsBack) {
    const testing::TTempDir work;
    const std::string path = work / "settings/tervaline/tervaline.ini";
    EXPECT_EQ(ReadRememberedChoices(path), TRememberedChoices{}) << "no file yet";
    const TRememberedChoices chosen{"/mail/with \"quotes\" and blanks", "/out", engine::TScanMode::Deep,
                                    *TBufferSize::Parse("500")};
    WriteRememberedChoices(path, chosen);
    EXPECT_EQ(ReadRememberedChoices(path), chosen);

    testing::WriteFileBytes(path, "[Choices]\nMode=grid\nBuffer=0\nStoreFolder=/mail\n");
    const TRememberedChoices read = ReadRememberedChoices(path);
    EXPECT_EQ(read.Mode, engine::TScanMode::Shallow) << "a mode no window offers";
    EXPECT_EQ(read.Buffer, TBufferSize::Default());
    EXPECT_EQ(read.StoreFolder, "/mail");
}

#if TERVALINE_POSIX
TEST(RememberedChoicesTest, KeptInTheXdgConfigurationFolder) {
    struct TCase {
        const char* Config;
        const char* Home;
        std::string Expected;
    };
    const TCase cases[] = {
        {"/cfg", "/home/u", "/cfg/tervaline/tervaline.ini"},
        {"relative", "/home/u", "/home/u/.config/tervaline/tervaline.ini"},
        {nullptr, "/home/u/", "/home/u/.config/tervaline/tervaline.ini"},
        {nullptr, nullptr, ""},
    };
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string config = savedConfig ? savedConfig : "";
    const std::string home = savedHome ? savedHome : "";
    auto set = [](const char* name, const char* value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    };
    for (const auto& c : cases) {
        set("XDG_CONFIG_HOME", c.Config);
        set("HOME", c.Home);
        EXPECT_EQ(RememberedChoicesPath(), c.Expected) << (c.Config ? c.Config : "-");
    }
    set("XDG_CONFIG_HOME", savedConfig ? config.c_str() : nullptr);
    set("HOME", savedHome ? home.c_str() : nullptr);
}
#endif

}  // namespace
}  // namespace tervaline::ui
