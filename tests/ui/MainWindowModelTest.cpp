// The window model over real scans, with no window: what each phase lets
// the user change, what the status line and the boxes say, the stop
// question, a folder of stores, and what is remembered for the next run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/DbxScan.h"
#include "platform/Dispatcher.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"
#include "ui/MainWindowModel.h"
#include "ui/RememberedChoices.h"

namespace tervaline::ui {
namespace {

using namespace std::chrono_literals;
using testing::TTempDir;

class MainWindowModelTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainWindowModel> MakeModel(TCanDraw canDraw = nullptr) {
        TMainWindowModel::TEnvironment environment;
        environment.ProgramFolder = programDir.Path().string();
        environment.SettingsFile = settings;
        environment.CanDraw = std::move(canDraw);
        // Holds each scan inside its first find until the gate opens or a
        // stop is asked for.
        environment.MakeScan = [this](platform::TDispatcher& d, engine::TScanSettings s, engine::TScanEvents e) {
            auto toModel = e.Found;
            e.Found = [this, toModel](const engine::TFoundMessage& message) {
                toModel(message);
                if (arrived.fetch_add(1) > 0) return;
                while (!open.load() && !worker.load()->StopRequested()) std::this_thread::sleep_for(1ms);
            };
            auto scan = std::make_unique<engine::TDBXScanThread>(d, std::move(s), std::move(e));
            worker = scan.get();
            return std::unique_ptr<platform::TThread>(std::move(scan));
        };
        auto model = std::make_unique<TMainWindowModel>(dispatcher, std::move(environment));
        model->OnChanged = [this] { ++changes; };
        return model;
    }

    std::string WriteStore(const std::string& path, int mail, int trash = 0) {
        tools::TStoreBuilder store(true);
        for (int i = 0; i < mail + trash; ++i) store.AddMessage(tools::MakeMailText(i + 1, 900, i < mail));
        store.WriteTo(path);
        return path;
    }

    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            dispatcher.RunOne(10ms);
        }
        return true;
    }

    platform::TQueueDispatcher dispatcher;
    TTempDir programDir;
    TTempDir work;
    std::string settings = work / "config/tervaline.ini";
    std::atomic<int> arrived{0};
    std::atomic<bool> open{true};
    std::atomic<engine::TDBXScanThread*> worker{nullptr};
    int changes = 0;
};

TEST_F(MainWindowModelTest, AScanLocksItsSettingsShowsItsProgressAndEndsWithAFullBar) {
    const std::string store = WriteStore(work / "Inbox.dbx", 3, 1);
    auto model = MakeModel();
    model->SetStorePath(store);
    EXPECT_EQ(model->OutputFolder(), work / "Inbox");
    model->SetMode(engine::TScanMode::Deep);
    model->SetBufferText("64");
    open = false;
    model->Start();
    EXPECT_EQ(model->TakeFocus(), TFocusTarget::Abort);
    ASSERT_TRUE(RunUntil([&] { return arrived.load() > 0; }));
    EXPECT_EQ(model->Phase(), TScanPhase::Scanning);
    EXPECT_EQ(model->Controls(), ControlStatesOf(TScanPhase::Scanning, true));
    ASSERT_TRUE(RunUntil([&] { return model->Status().Line1 == "1 messages found"; }));

    // What the scan was started with stays, whatever reaches the model.
    model->SetStorePath(work / "Other.dbx");
    model->SetOutputFolder(work / "elsewhere");
    model->SetMode(engine::TScanMode::Shallow);
    model->SetBufferText("1");
    model->SetTrashName("junk");
    EXPECT_EQ(model->StorePath(), store);
    EXPECT_EQ(model->OutputFolder(), work / "Inbox");
    EXPECT_EQ(model->Mode(), engine::TScanMode::Deep);
    EXPECT_EQ(model->BufferText(), "64");
    EXPECT_EQ(model->TrashName(), "trash");
    model->Start();
    EXPECT_EQ(model->Phase(), TScanPhase::Scanning) << "a second Start does nothing";

    open = true;
    ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; }));
    const TStatusView end = model->Status();
    EXPECT_EQ(end.Line1, "4 files found");
    EXPECT_EQ(end.Line2, "(3 mail, 1 trash)");
    EXPECT_EQ(end.Permille, kFullBar);
    EXPECT_EQ(end.BarText.rfind("Finished in 0:0", 0), 0u) << end.BarText;
    EXPECT_TRUE(model->Controls().OpenFolder);
    EXPECT_EQ(model->OpenFolderPath(), work / "Inbox");
    EXPECT_TRUE(model->TakeMessages().empty());
    EXPECT_EQ(model->TakeFocus(), TFocusTarget::Start);
    EXPECT_GT(changes, 2);

    // The next run starts where this one left off.
    model.reset();
    auto next = MakeModel();
    EXPECT_EQ(next->Mode(), engine::TScanMode::Deep);
    EXPECT_EQ(next->BufferText(), "64");
    EXPECT_EQ(next->StorePickerStart(), work.Path().string());
    EXPECT_EQ(next->OutputFolder(), "") << "the derived folder is not a choice to keep";
}

TEST_F(MainWindowModelTest, AChosenOutputFolderIsRememberedAndPickersStartThere) {
    const std::string store = WriteStore(work / "Inbox.dbx", 1);
    std::filesystem::create_directories(work.Path() / "chosen");
    auto model = MakeModel();
    model->SetStorePath(store);
    model->SetOutputFolder(work / "chosen/new");
    EXPECT_EQ(model->OutputPickerStart(), work / "chosen");
    model->Start();
    ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; }));
    model.reset();
    auto next = MakeModel();
    EXPECT_EQ(next->OutputFolder(), work / "chosen/new");
    next->SetStorePath(work / "Sent.dbx");
    EXPECT_EQ(next->OutputFolder(), work / "chosen/new") << "a chosen folder holds for the next store";
}

TEST_F(MainWindowModelTest, AScanThatCouldNotStartSaysSoAndWhy) {
    const std::string store = WriteStore(work / "Inbox.dbx", 2);
    testing::WriteFileBytes(work.Path() / "file", "x");
    struct TCase {
        const char* Name;
        std::string Output;
        std::string Trash;
        std::string Reason;
    };
    const TCase cases[] = {
        {"output under a file", work / "file/out", "trash", "Cannot create the folder"},
        {"trash outside the output folder", "", "..", "The trash folder must be named by a single folder name"},
    };
    for (const auto& c : cases) {
        auto model = MakeModel();
        model->SetStorePath(store);
        model->SetOutputFolder(c.Output);
        model->SetTrashName(c.Trash);
        model->Start();
        ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; })) << c.Name;
        EXPECT_EQ(model->Status().BarText, "Did not start") << c.Name;
        EXPECT_EQ(model->Status().Permille, 0) << c.Name;
        const std::vector<TUserMessage> messages = model->TakeMessages();
        ASSERT_EQ(messages.size(), 1u) << c.Name;
        EXPECT_EQ(messages[0].Kind, TMessageKind::Error);
        EXPECT_EQ(messages[0].Text.rfind("The scan did not start:\r\n\r\n", 0), 0u) << messages[0].Text;
        EXPECT_NE(messages[0].Text.find(c.Reason), std::string::npos) << messages[0].Text;
        EXPECT_FALSE(model->Controls().OpenFolder) << c.Name;
    }
    EXPECT_FALSE(std::filesystem::exists(work.Path() / "Inbox")) << "nothing written";
}

TEST_F(MainWindowModelTest, AFolderOfStoresIsScannedStoreByStore) {
    std::filesystem::create_directories(work.Path() / "mail");
    WriteStore(work / "mail/Inbox.dbx", 2);
    WriteStore(work / "mail/Sent.dbx", 3);
    auto model = MakeModel();
    model->SetStorePath(work / "mail");
    EXPECT_EQ(model->OutputFolder(), work / "mail");
    std::vector<std::string> barTexts;
    model->OnChanged = [&] {
        if (model->Phase() == TScanPhase::Scanning) barTexts.push_back(model->Status().BarText);
    };
    model->Start();
    EXPECT_TRUE(model->TakeMessages().empty());
    ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; }));
    EXPECT_EQ(model->Status().Line1, "5 files found");
    EXPECT_EQ(model->Status().Permille, kFullBar);
    EXPECT_EQ(testing::ListMessageFiles(work.Path() / "mail/Inbox").size(), 2u);
    EXPECT_EQ(testing::ListMessageFiles(work.Path() / "mail/Sent").size(), 3u);
    EXPECT_NE(std::find(barTexts.begin(), barTexts.end(), "Sent.dbx (2 of 2)"), barTexts.end());
}

TEST_F(MainWindowModelTest, AbortStopsAfterTheChainInHandAndTheBarStaysWhereItGot) {
    // More than the writer's queue holds, so that the search is still
    // under way when Abort comes.
    const std::string store = WriteStore(work / "Inbox.dbx", 3500);
    auto model = MakeModel();
    model->SetStorePath(store);
    open = false;
    model->Start();
    ASSERT_TRUE(RunUntil([&] { return arrived.load() > 0; }));
    model->Abort();
    EXPECT_EQ(model->Phase(), TScanPhase::Stopping);
    EXPECT_FALSE(model->Controls().Abort);
    EXPECT_FALSE(model->Controls().Start);
    ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; }));
    const TStatusView end = model->Status();
    EXPECT_LT(end.Permille, kFullBar);
    EXPECT_EQ(end.BarText.rfind("Stopped at " + std::to_string(end.Permille / 10) + "% after 0:0", 0), 0u)
        << end.BarText;
    const std::size_t written = testing::ListMessageFiles(work.Path() / "Inbox").size();
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, 3500u);
    EXPECT_EQ(end.Line1, std::to_string(written) + " files found");
}

TEST_F(MainWindowModelTest, ClosingDuringAScanAsksWithNoAsTheDefault) {
    const std::string store = WriteStore(work / "Inbox.dbx", 4);
    enum class TAnswer { No, Yes, ScanEndsFirst };
    for (TAnswer answer : {TAnswer::No, TAnswer::Yes, TAnswer::ScanEndsFirst}) {
        std::filesystem::remove_all(work.Path() / "Inbox");
        arrived = 0;
        open = false;
        auto model = MakeModel();
        EXPECT_EQ(model->RequestClose(), TCloseStep::Close) << "nothing runs yet";
        model->SetStorePath(store);
        model->Start();
        ASSERT_TRUE(RunUntil([&] { return arrived.load() > 0; }));
        ASSERT_EQ(model->RequestClose(), TCloseStep::AskToStop);
        const TStopQuestion question = model->StopQuestion();
        EXPECT_EQ(question.Text, "Do you really want to stop?");
        EXPECT_TRUE(question.NoIsDefault);
        switch (answer) {
            case TAnswer::No:
                EXPECT_FALSE(model->AnswerStopQuestion(false));
                open = true;
                ASSERT_TRUE(RunUntil([&] { return model->Phase() == TScanPhase::Done; }));
                EXPECT_EQ(model->Status().Line1, "4 files found");
                break;
            case TAnswer::Yes:
                EXPECT_TRUE(model->AnswerStopQuestion(true));
                EXPECT_GE(testing::ListMessageFiles(work.Path() / "Inbox").size(), 1u) << "what was found is written";
                break;
            case TAnswer::ScanEndsFirst:
                open = true;
                ASSERT_TRUE(RunUntil([&] { return model->StopQuestionMoot(); }));
                EXPECT_TRUE(model->TakeMessages().empty()) << "a window on its way out says nothing more";
                EXPECT_TRUE(model->AnswerStopQuestion(false)) << "withdrawn, the question lets the window close";
                EXPECT_EQ(testing::ListMessageFiles(work.Path() / "Inbox").size(), 4u);
                break;
        }
    }
}

TEST_F(MainWindowModelTest, RefusalsAndLanguageProblemsBecomeBoxes) {
    {
        auto model = MakeModel();
        model->SetStorePath(work / "absent.dbx");
        model->Start();
        EXPECT_EQ(model->TakeMessages(),
                  (std::vector<TUserMessage>{{TMessageKind::Error, "File doesn't exist\r\n\r\n\"" + (work / "absent.dbx") + "\""}}));
        EXPECT_EQ(model->TakeFocus(), TFocusTarget::StoreBox);
        EXPECT_EQ(model->Phase(), TScanPhase::Idle);
        model->SetStorePath(WriteStore(work / "Inbox.dbx", 1));
        model->SetBufferText("0");
        model->Start();
        EXPECT_EQ(model->TakeFocus(), TFocusTarget::BufferBox);
        EXPECT_EQ(model->TakeMessages().size(), 1u);
    }
    testing::WriteFileBytes(programDir.Path() / "x.lng", "[Interface]\nStart=\xE9\x96\x8B\xE5\xA7\x8B\n");
    {
        auto model = MakeModel([](std::string_view text) { return text.find('\xE9') == std::string_view::npos; });
        EXPECT_EQ(model->Texts().Start, "&Start");
        const auto messages = model->TakeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].Kind, TMessageKind::Information);
        EXPECT_TRUE(model->TakeMessages().empty()) << "said once";
    }
    testing::WriteFileBytes(programDir.Path() / "x.lng", "[Interface]\nFont.Color=0xZZ\nStart=Go\n");
    {
        auto model = MakeModel();
        EXPECT_EQ(model->Texts().Start, "&Start");
        const auto messages = model->TakeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].Kind, TMessageKind::Error);
    }
}

}  // namespace
}  // namespace tervaline::ui
