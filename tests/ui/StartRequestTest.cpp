// What Start makes of the boxes: the scans to run, or a refusal that names
// what is wrong and where.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "engine/SalvageRecording.h"
#include "tests/support/TempDir.h"
#include "tools/RecordBuilder.h"
#include "ui/StartRequest.h"

namespace tervaline::ui {
namespace {

class StartRequestTest : public ::testing::Test {
protected:
    StartRequestTest() {
        std::filesystem::create_directories(work.Path() / "empty");
        std::filesystem::create_directories(work.Path() / "stores");
        testing::WriteFileBytes(work.Path() / "Inbox.dbx", "store");
        for (const char* name : {"Sent.dbx", "sent.DBX", "Inbox.dbx", "notes.txt"}) {
            testing::WriteFileBytes(work.Path() / "stores" / name, "store");
        }
        // Mail folders as a folder list names them: the inbox renamed, a
        // folder inside it.
        std::filesystem::create_directories(work.Path() / "listed");
        for (const char* name : {"Inbox.dbx", "Family.dbx"}) {
            testing::WriteFileBytes(work.Path() / "listed" / name, "store");
        }
        tools::TRecordBuilder::FolderList({{1, 0, "Local Folders", "", 0},
                                           {2, 1, "Posteingang", "Inbox.dbx", 0},
                                           {3, 2, "Familie", "Family.dbx", 0}})
            .WriteTo(work / "listed/Folders.dbx");
        // A file system that ignores case (Windows's) holds one of the two.
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(work.Path() / "stores")) {
            ++entries;
        }
        casesApart = entries == 4;
    }

    bool casesApart = false;

    TStartInput Input(const std::string& store, const std::string& buffer = "10") const {
        TStartInput input;
        input.Store = store;
        input.Buffer = buffer;
        return input;
    }

    testing::TTempDir work;
    TInterfaceTexts texts;
};

TEST_F(StartRequestTest, RefusesWhatItCannotUseNamingTheBoxToPutRight) {
    const std::string noFile = "File doesn't exist\r\n\r\n\"";
    const std::string noStores = "The folder holds no .dbx store\r\n\r\n\"";
    const std::string badBuffer = "The buffer must be a whole number of KB from 1 to 5000.\r\n\r\n\"";
    const std::string store = work / "Inbox.dbx";
    struct TCase {
        std::string Store;
        std::string Buffer;
        std::string Text;
        TInputBox Box;
    };
    const TCase cases[] = {
        {"", "10", noFile + "\"", TInputBox::Store},
        {work / "absent.dbx", "10", noFile + (work / "absent.dbx") + "\"", TInputBox::Store},
        {work / "empty", "10", noStores + (work / "empty") + "\"", TInputBox::Store},
        // The store is looked at first.
        {work / "absent.dbx", "0", noFile + (work / "absent.dbx") + "\"", TInputBox::Store},
        {store, "", badBuffer + "\"", TInputBox::Buffer},
        {store, "5001", badBuffer + "5001\"", TInputBox::Buffer},
        {store, "64.5", badBuffer + "64.5\"", TInputBox::Buffer},
        {work / "stores", "KB", badBuffer + "KB\"", TInputBox::Buffer},
    };
    for (const auto& c : cases) {
        const TStartDecision decision = DecideStart(Input(c.Store, c.Buffer), texts);
        const auto* refusal = std::get_if<TStartRefusal>(&decision);
        ASSERT_NE(refusal, nullptr) << c.Store << " " << c.Buffer;
        EXPECT_EQ(refusal->Text, c.Text);
        EXPECT_EQ(refusal->Box, c.Box) << c.Text;
    }
}

TEST_F(StartRequestTest, AStoreOrAFolderOfStoresBecomesTheSettingsOfEachScan) {
    struct TExpected {
        std::string Source;
        std::string Output;
        std::string Mbox;
        std::string Folder = "";
    };
    struct TCase {
        const char* Name;
        TStartInput Input;
        std::string OpenFolder;
        std::string Trash;
        std::vector<TExpected> Scans;
    };
    TStartInput chosen = Input(work / "Inbox.dbx", " 64 ");
    chosen.Output = work / "out";
    chosen.Trash = "junk";
    chosen.Mode = engine::TScanMode::Deep;
    chosen.WriteMbox = true;
    chosen.HashStore = true;
    TStartInput folder = Input(work / "stores");
    folder.WriteMbox = true;
    TStartInput relative = Input(work / "Inbox.dbx");
    relative.Output = "salvage";
    const TCase cases[] = {
        {"defaults", Input(work / "Inbox.dbx"), work / "Inbox", "trash", {{work / "Inbox.dbx", work / "Inbox", ""}}},
        {"chosen", chosen, work / "out", "junk", {{work / "Inbox.dbx", work / "out", work / "out/Inbox.mbox"}}},
        {"relative output", relative, work / "salvage", "trash", {{work / "Inbox.dbx", work / "salvage", ""}}},
        // As the command line scans them: by name, each into a folder of its
        // own, two names alike but for case told apart.
        {"folder",
         folder,
         work / "stores",
         "trash",
         {{work / "stores/Inbox.dbx", work / "stores/Inbox", work / "stores/Inbox/Inbox.mbox"},
          {work / "stores/Sent.dbx", work / "stores/Sent", work / "stores/Sent/Sent.mbox"},
          {work / "stores/sent.DBX", work / "stores/sent~1", work / "stores/sent~1/sent.mbox"}}},
        {"folder list",
         Input(work / "listed"),
         work / "listed",
         "trash",
         {{work / "listed/Family.dbx", work / "listed/Posteingang/Familie", "", "Posteingang/Familie"},
          {work / "listed/Inbox.dbx", work / "listed/Posteingang", "", "Posteingang"}}},
    };
    for (auto c : cases) {
        if (!casesApart && std::string(c.Name) == "folder") c.Scans.pop_back();
        const TStartDecision decision = DecideStart(c.Input, texts);
        const auto* plan = std::get_if<TScanPlan>(&decision);
        ASSERT_NE(plan, nullptr) << c.Name;
        EXPECT_EQ(plan->OutputFolder, c.OpenFolder) << c.Name;
        EXPECT_EQ(plan->Trash, c.Trash) << c.Name;
        ASSERT_EQ(plan->Scans.size(), c.Scans.size()) << c.Name;
        for (std::size_t i = 0; i < c.Scans.size(); ++i) {
            const engine::TScanSettings& s = plan->Scans[i];
            EXPECT_EQ(s.Source, c.Scans[i].Source) << c.Name;
            EXPECT_EQ(s.Output, c.Scans[i].Output) << c.Name;
            EXPECT_EQ(s.Mbox, engine::SalvageRecordingBuilt() ? c.Scans[i].Mbox : "") << c.Name;
            EXPECT_EQ(s.Folder, c.Scans[i].Folder) << c.Name;
            EXPECT_EQ(s.Trash, c.Trash) << c.Name;
            EXPECT_EQ(s.Mode, c.Input.Mode) << c.Name;
            EXPECT_EQ(s.BufferSize, c.Input.Buffer == " 64 " ? 64 * 1024 : 10 * 1024) << c.Name;
            EXPECT_EQ(s.HashStore, c.Input.HashStore && engine::SalvageRecordingBuilt()) << c.Name;
            EXPECT_EQ(s.Report, engine::SalvageRecordingBuilt()) << c.Name;
        }
    }
}

}  // namespace
}  // namespace tervaline::ui
