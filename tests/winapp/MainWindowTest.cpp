// The Windows window driven as a user drives it, under Wine on a virtual
// display: keys and clicks posted to its controls, files dropped on its
// boxes, its boxes read and answered, real scans of real stores.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/DbxScan.h"
#include "platform/win/WideText.h"
#include "tests/support/TempDir.h"
#include "tests/winapp/WindowSession.h"

namespace tervaline::testing {
namespace {

namespace fs = std::filesystem;
using platform::WideText;
using winapp::TControlId;
using namespace winapp;

class MainWindowTest : public ::testing::Test {
protected:
    ui::TMainWindowModel::TEnvironment Environment() {
        ui::TMainWindowModel::TEnvironment environment;
        fs::create_directories(dir.Path() / "program");
        environment.ProgramFolder = dir / "program";
        environment.SettingsFile = dir / "settings.ini";
        return environment;
    }

    // A copy of the sample store, in a folder of its own.
    std::string SampleStore() {
        fs::create_directories(dir.Path() / "mail");
        const std::string store = dir / "mail/Inbox.dbx";
        fs::copy_file(fs::path(TERVALINE_SAMPLES_DIR) / "damaged.dbx", store, fs::copy_options::overwrite_existing);
        return store;
    }

    // The sample behind Copies more copies of itself, each behind 400,000
    // zero bytes: read a kilobyte at a time it keeps a scan busy for seconds.
    std::string BigStore(int copies = 300) {
        const std::string sample = ReadFileBytes(fs::path(TERVALINE_SAMPLES_DIR) / "damaged.dbx");
        std::string bytes = sample;
        for (int i = 0; i < copies; ++i) bytes += std::string(400000, '\0') + sample;
        fs::create_directories(dir.Path() / "mail");
        const std::string store = dir / "mail/Big.dbx";
        WriteFileBytes(store, bytes);
        return store;
    }

    static std::vector<std::string> Partials(const fs::path& folder) {
        std::vector<std::string> found;
        if (!fs::exists(folder)) return found;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() == ".partial") found.push_back(entry.path().string());
        }
        return found;
    }

    TTempDir dir;
};

TEST_F(MainWindowTest, OpensCentredAtItsSizeWithTheStoreBoxFocused) {
    TWindowSession session(Environment());
    session.Run([&] {
        const HWND window = session.Window().Handle();
        const int dpi = session.Window().Dpi();
        RECT client;
        ::GetClientRect(window, &client);
        EXPECT_EQ(client.right, ::MulDiv(382, dpi, 96));
        EXPECT_EQ(client.bottom, ::MulDiv(257, dpi, 96));
        RECT frame;
        ::GetWindowRect(window, &frame);
        MONITORINFO monitor{sizeof monitor, {}, {}, 0};
        ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
        EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 2);
        EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 2);
        EXPECT_EQ(session.Focus(), session.Control(kStoreBox));
        EXPECT_FALSE(::IsWindowEnabled(session.Control(kAbortButton)));
        EXPECT_FALSE(::IsWindowVisible(session.Control(kOpenFolderLink)));
        EXPECT_EQ(session.Text(kBufferBox), L"10");
        EXPECT_EQ(session.Text(kTrashBox), L"trash");
    });
}

TEST_F(MainWindowTest, KeysMoveTheFocusAsInADialog) {
    TWindowSession session(Environment());
    session.Run([&] {
        // Tab from the store box visits each usable control once, in order;
        // a drop-down box is focused in its edit field.
        const TControlId tabOrder[] = {kBrowseStore, kOutputBox,   kBrowseOutput, kTrashBox, kShallowMode,
                                       kBufferBox,   kStartButton, kCloseButton,  kStoreBox};
        for (const TControlId expected : tabOrder) {
            session.Key(VK_TAB);
            const HWND focus = session.Focus();
            EXPECT_TRUE(focus == session.Control(expected) || ::GetParent(focus) == session.Control(expected))
                << "Tab should reach control " << expected;
        }
        // A caption's access key focuses the control it names.
        const struct {
            wchar_t Letter;
            TControlId Control;
        } accessKeys[] = {
            {L'o', kOutputBox}, {L't', kTrashBox}, {L'u', kBufferBox}, {L'm', kShallowMode}, {L'i', kStoreBox}};
        for (const auto& key : accessKeys) {
            session.AltLetter(key.Letter);
            const HWND focus = session.Focus();
            EXPECT_TRUE(focus == session.Control(key.Control) || ::GetParent(focus) == session.Control(key.Control))
                << "Alt+" << static_cast<char>(key.Letter);
        }
    });
}

TEST_F(MainWindowTest, RefusedStartsSayWhyAndFocusTheBoxToPutRight) {
    const std::string store = SampleStore();
    const struct {
        std::string Store;
        std::wstring Buffer;
        bool ByAccessKey;  // Alt+S rather than Enter in the box
        std::wstring Says;
        TControlId Focused;
    } cases[] = {
        {dir / "mail/Missing.dbx", L"10", false, L"File doesn't exist", kStoreBox},
        {dir / "mail/Missing.dbx", L"10", true, L"File doesn't exist", kStoreBox},
        {store, L"0", false, L"The buffer must be a whole number of KB from 1 to 5000.", kBufferBox},
        {store, L"5001", true, L"The buffer must be a whole number of KB from 1 to 5000.", kBufferBox},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Store + " buffer " + platform::NarrowText(c.Buffer));
        TWindowSession session(Environment());
        session.Run([&] {
            session.Type(kBufferBox, c.Buffer);
            session.Type(kStoreBox, WideText(c.Store));
            if (c.ByAccessKey) {
                session.AltLetter(L's');
            } else {
                session.Key(VK_RETURN);
            }
            const HWND box = session.WaitForBox();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(TWindowSession::BoxText(box).rfind(c.Says, 0), 0u)
                << platform::NarrowText(TWindowSession::BoxText(box));
            EXPECT_EQ(TWindowSession::ButtonText(box, IDOK), L"OK");
            session.Answer(box, IDOK);
            ASSERT_TRUE(session.WaitUntil(
                [&] {
                    const HWND focus = ::GetFocus();
                    return focus == session.Control(c.Focused) || ::GetParent(focus) == session.Control(c.Focused);
                },
                5s));
            // What was refused is selected, to be typed over.
            const auto [first, last] = session.OnWindow([] {
                DWORD from = 0;
                DWORD to = 0;
                ::SendMessageW(::GetFocus(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
                return std::pair<DWORD, DWORD>(from, to);
            });
            EXPECT_EQ(first, 0u);
            EXPECT_EQ(last, static_cast<DWORD>(::GetWindowTextLengthW(session.Focus())));
            EXPECT_EQ(session.OnWindow([&] { return session.Window().Model().Phase(); }), ui::TScanPhase::Idle);
        });
    }
}

TEST_F(MainWindowTest, DroppedFilesFillTheBoxes) {
    const std::string store = SampleStore();
    fs::create_directories(dir.Path() / "elsewhere");
    WriteFileBytes(dir.Path() / "elsewhere/note.txt", "x");
    const struct {
        TControlId Box;
        std::string Dropped;
        std::string Store;   // the store box afterwards
        std::string Output;  // the output box afterwards
    } cases[] = {
        // The output folder follows the store: beside it, named after it.
        {kStoreBox, store, store, dir / "mail/Inbox"},
        // A file dropped on the output box stands for its folder.
        {kOutputBox, dir / "elsewhere/note.txt", "", dir / "elsewhere"},
        {kOutputBox, dir / "elsewhere", "", dir / "elsewhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Dropped);
        TWindowSession session(Environment());
        session.Run([&] {
            session.Drop(c.Box, WideText(c.Dropped));
            EXPECT_EQ(session.Text(kStoreBox), WideText(c.Store));
            EXPECT_EQ(session.Text(kOutputBox), WideText(c.Output));
            EXPECT_EQ(session.Text(kTrashBase), WideText(c.Output));
            EXPECT_EQ(session.OnWindow([&] { return session.Window().Model().StorePath(); }), c.Store);
        });
    }
}

TEST_F(MainWindowTest, ALongPathShowsInFullAsATipAndTheContextMenuTogglesTheChoices) {
    TWindowSession session(Environment());
    session.Run([&] {
        // The tip of a box: what the tooltip control holds for it.
        const auto tipOf = [&](TControlId box) {
            const HWND tips = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
            std::wstring text(1024, L'\0');
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = session.Window().Handle();
            tool.uId = reinterpret_cast<UINT_PTR>(session.Control(box));
            tool.lpszText = text.data();
            ::SendMessageW(tips, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
            text.resize(std::wcslen(text.c_str()));
            return text;
        };
        const std::wstring longStore = L"C:\\" + std::wstring(120, L'x') + L"\\Inbox.dbx";
        for (const std::wstring& store : {std::wstring(L"C:\\a.dbx"), longStore}) {
            session.Type(kStoreBox, store);
            session.Key(VK_TAB);
            EXPECT_EQ(tipOf(kStoreBox), store == longStore ? store : L"");
        }

        // The menu the keyboard opens, its items' states once it is up, and
        // the first item chosen from it.
        const auto openMenu = [&] {
            ::PostMessageW(session.Window().Handle(), WM_CONTEXTMENU, 0, -1);
            HWND menu = nullptr;
            EXPECT_TRUE(session.WaitUntil([&] { return (menu = ::FindWindowW(L"#32768", nullptr)) != nullptr &&
                                                       ::IsWindowVisible(menu); }, 10s));
            return menu;
        };
        const auto states = [](HWND menu) {
            const auto items = reinterpret_cast<HMENU>(::SendMessageW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
            std::vector<UINT> result;
            for (const UINT id : {kWriteMboxChoice, kMboxAllChoice, kHashStoreChoice}) {
                result.push_back(::GetMenuState(items, id, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED));
            }
            return result;
        };
        for (const bool mbox : {false, true}) {
            const HWND menu = openMenu();
            ASSERT_NE(menu, nullptr);
            // All together is there only for an mbox to write.
            EXPECT_EQ(states(menu), (std::vector<UINT>{mbox ? UINT{MF_CHECKED} : 0u, mbox ? 0u : UINT{MF_GRAYED}, 0u}));
            ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            EXPECT_TRUE(session.WaitUntil([&] { return session.Window().Model().WriteMbox() != mbox; }, 10s));
        }
    });
}

TEST_F(MainWindowTest, EnterScansAndTheLinkOpensTheOutputFolder) {
    const std::string store = SampleStore();
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens ? "the folder opens" : "the folder cannot be opened");
        TWindowSession session(Environment());
        std::vector<std::string> opened;
        session.Window().OpenFolder = [&](const std::string& folder) {
            opened.push_back(folder);
            return opens;
        };
        session.Run([&] {
            session.Type(kStoreBox, WideText(store));
            session.Key(VK_RETURN);
            ASSERT_TRUE(session.WaitUntil([&] { return session.Window().Model().Phase() == ui::TScanPhase::Done; }));
            // The bar says how it ended; the status line counts the files.
            EXPECT_EQ(session.Text(kProgressBar).rfind(L"Finished in ", 0), 0u);
            EXPECT_NE(session.Text(kStatusLine1).find(L"files found"), std::wstring::npos);
            EXPECT_TRUE(session.WaitUntil([&] { return ::GetFocus() == session.Control(kStartButton); }, 5s));
            EXPECT_TRUE(::IsWindowVisible(session.Control(kOpenFolderLink)));
            // Boxes about the scan's notes, if any, come first.
            while (const HWND box = session.WaitForBox(1s)) session.Answer(box, IDOK);

            RECT link;
            ::GetClientRect(session.Control(kOpenFolderLink), &link);
            const LPARAM at = MAKELPARAM(4, link.bottom / 2);
            ::PostMessageW(session.Control(kOpenFolderLink), WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::PostMessageW(session.Control(kOpenFolderLink), WM_LBUTTONUP, 0, at);
            ASSERT_TRUE(session.WaitUntil([&] { return !opened.empty(); }, 10s));
            EXPECT_EQ(opened, std::vector<std::string>{dir / "mail/Inbox"});
            const HWND box = session.WaitForBox(opens ? 1s : 30s);
            if (opens) {
                EXPECT_EQ(box, nullptr);
            } else {
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(TWindowSession::BoxText(box),
                          WideText("The folder could not be opened:\r\n\r\n" + dir / "mail/Inbox"));
                session.Answer(box, IDOK);
            }
        });
        EXPECT_FALSE(ListMessageFiles(dir.Path() / "mail/Inbox").empty());
    }
}

TEST_F(MainWindowTest, AbortStopsMidScanWithoutAsking) {
    const std::string store = BigStore();
    TWindowSession session(Environment());
    session.Run([&] {
        session.Click(kBottomMode);
        session.Type(kBufferBox, L"1");
        session.Type(kStoreBox, WideText(store));
        session.Key(VK_RETURN);
        ASSERT_TRUE(session.WaitUntil([&] { return fs::exists(dir.Path() / "mail/Big/00002AD4.eml"); }));
        EXPECT_EQ(session.Focus(), session.Control(kAbortButton));
        EXPECT_FALSE(::IsWindowEnabled(session.Control(kStartButton)));
        EXPECT_FALSE(::IsWindowEnabled(session.Control(kStoreBox)));

        // Abort is the answer already: only closing asks.
        session.Click(kAbortButton);
        EXPECT_EQ(session.WaitForBox(1s), nullptr);
        ASSERT_TRUE(session.WaitUntil([&] { return session.Window().Model().Phase() == ui::TScanPhase::Done; }));
        EXPECT_EQ(session.Text(kProgressBar).rfind(L"Stopped at ", 0), 0u)
            << platform::NarrowText(session.Text(kProgressBar));
        EXPECT_TRUE(::IsWindowEnabled(session.Control(kStartButton)));
        EXPECT_TRUE(session.WaitUntil([&] { return ::GetFocus() == session.Control(kStartButton); }, 5s));
    });
    // A stop writes whole what it had found, and no more than the store holds.
    EXPECT_TRUE(Partials(dir.Path() / "mail/Big").empty());
    EXPECT_LT(ListMessageFiles(dir.Path() / "mail/Big").size(), 301u * 12u);
}

TEST_F(MainWindowTest, ClosingDuringAScanAsksFirst) {
    const std::string store = BigStore();
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        {
            TWindowSession session(Environment());
            session.Run([&] {
                session.Click(kBottomMode);
                session.Type(kBufferBox, L"1");
                session.Type(kStoreBox, WideText(store));
                session.Key(VK_RETURN);
                ASSERT_TRUE(
                    session.WaitUntil([&] { return session.Window().Model().Phase() == ui::TScanPhase::Scanning; }));
                // Escape closes as the Close button does.
                session.Key(VK_ESCAPE);
                const HWND question = session.WaitForBox();
                ASSERT_NE(question, nullptr);
                EXPECT_EQ(TWindowSession::DefaultButton(question), IDNO);
                session.Answer(question, answer);
                EXPECT_EQ(session.OnWindow([&] { return session.Window().Closed(); }), answer == IDYES);
                if (answer == IDNO) {
                    EXPECT_EQ(session.OnWindow([&] { return session.Window().Model().Phase(); }),
                              ui::TScanPhase::Scanning);
                }
            });
        }
        // The window's model stopped the scan and waited for it as it went.
        EXPECT_TRUE(Partials(dir.Path() / "mail/Big").empty());
        fs::remove_all(dir.Path() / "mail/Big");
    }
}

TEST_F(MainWindowTest, AQuestionTheScanHasAnsweredIsWithdrawn) {
    const std::string store = SampleStore();
    // The scan is held inside its first find until the gate opens.
    std::atomic<bool> open{false};
    auto environment = Environment();
    environment.MakeScan = [&](platform::TDispatcher& d, engine::TScanSettings s, engine::TScanEvents e) {
        auto toModel = e.Found;
        e.Found = [&open, toModel](const engine::TFoundMessage& message) {
            toModel(message);
            while (!open.load()) std::this_thread::sleep_for(1ms);
        };
        return std::unique_ptr<platform::TThread>(
            std::make_unique<engine::TDBXScanThread>(d, std::move(s), std::move(e)));
    };
    TWindowSession session(std::move(environment));
    session.Run([&] {
        session.Type(kStoreBox, WideText(store));
        session.Key(VK_RETURN);
        ASSERT_TRUE(
            session.WaitUntil([&] { return session.Window().Model().Phase() == ui::TScanPhase::Scanning; }));
        session.Click(kCloseButton);
        const HWND question = session.WaitForBox();
        ASSERT_NE(question, nullptr);
        open = true;
        // Nobody answers: the end of the scan takes the question away,
        // and the window closes as after a Yes.
        ASSERT_TRUE(session.WaitUntil([&] { return !::IsWindow(question); }, 30s));
        EXPECT_TRUE(session.WaitUntil([&] { return session.Window().Closed(); }, 10s));
    });
    open = true;
}

TEST_F(MainWindowTest, LanguageFilesReplaceTextsAndFont) {
    const struct {
        const char* File;
        TControlId Control;
        std::string Caption;
        std::string Face;
    } cases[] = {
        {"German.lng", kStoreLabel, "&Eingabedatei :", "DejaVu Sans"},
        {"German.lng", kCloseButton, "S&chließen",
         "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"},
        {"German.lng", kDeepMode, "Tiefe Suche", "DejaVu Sans"},
        // Written in code page 932.
        {"Japanese.lng", kStoreLabel, "入力ファイル(&I) :", "ＭＳ Ｐゴシック"},
        {"Japanese.lng", kAbortButton, "中止(&A)", "ＭＳ Ｐゴシック"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.File) + " " + c.Caption);
        auto environment = Environment();
        fs::copy_file(fs::path(TERVALINE_SAMPLES_DIR) / c.File, dir.Path() / "program" / c.File,
                      fs::copy_options::overwrite_existing);
        TWindowSession session(std::move(environment));
        session.Run([&] {
            EXPECT_EQ(session.Text(c.Control), WideText(c.Caption));
            LOGFONTW font{};
            ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(session.Control(c.Control), WM_GETFONT, 0, 0)),
                         sizeof font, &font);
            EXPECT_EQ(std::wstring(font.lfFaceName), WideText(c.Face));
        });
        fs::remove(dir.Path() / "program" / c.File);
    }
}

TEST_F(MainWindowTest, AChangeOfResolutionScalesTheLayout) {
    TWindowSession session(Environment());
    session.Run([&] {
        for (const int dpi : {144, 192, 96}) {
            SCOPED_TRACE(dpi);
            const HWND window = session.Window().Handle();
            RECT suggested;
            ::GetWindowRect(window, &suggested);
            ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            EXPECT_EQ(session.Window().Dpi(), dpi);
            RECT box;
            ::GetWindowRect(session.Control(kStoreBox), &box);
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
            EXPECT_EQ(box.left, ::MulDiv(16, dpi, 96));
            EXPECT_EQ(box.top, ::MulDiv(24, dpi, 96));
            EXPECT_EQ(box.right - box.left, ::MulDiv(265, dpi, 96));
            RECT close;
            ::GetWindowRect(session.Control(kCloseButton), &close);
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&close), 2);
            EXPECT_EQ(close.right, ::MulDiv(296 + 75, dpi, 96));
            LOGFONTW font{};
            ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(session.Control(kStoreBox), WM_GETFONT, 0, 0)),
                         sizeof font, &font);
            EXPECT_EQ(font.lfHeight, -::MulDiv(9, dpi, 72));
        }
    });
}

}  // namespace
}  // namespace tervaline::testing
