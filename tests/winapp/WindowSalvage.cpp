// Salvages a store through the Windows window in each scan mode, as a user
// would: the mode clicked, the store's path and an output folder typed,
// Enter pressed. Each mode's files land in OUTPUT-ROOT\shallow, \bottom and
// \deep, for tools/run-tests.sh to compare with the Linux build's.
//   window_salvage STORE OUTPUT-ROOT
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "platform/win/WideText.h"
#include "tests/winapp/WindowSession.h"

int wmain(int argc, wchar_t** argv) {
    using namespace tervaline;
    using namespace tervaline::winapp;
    using namespace std::chrono_literals;
    if (argc != 3) {
        std::fputs("usage: window_salvage STORE OUTPUT-ROOT\n", stderr);
        return 2;
    }
    const std::wstring store = argv[1];
    const std::wstring root = argv[2];
    int status = 0;
    try {
        ui::TMainWindowModel::TEnvironment environment;
        testing::TWindowSession session(std::move(environment));
        session.Run([&] {
            const struct {
                TControlId Button;
                const wchar_t* Name;
            } modes[] = {{kShallowMode, L"shallow"}, {kBottomMode, L"bottom"}, {kDeepMode, L"deep"}};
            for (const auto& mode : modes) {
                session.Click(mode.Button);
                session.Type(kStoreBox, store);
                session.Type(kOutputBox, root + L"\\" + mode.Name);
                session.Key(VK_RETURN);
                const bool done =
                    session.WaitUntil([&] { return session.Window().Model().Phase() == ui::TScanPhase::Done; }, 300s);
                // Notes about the scan come as boxes; they are read and closed.
                while (const HWND box = session.WaitForBox(2s)) {
                    std::printf("window_salvage: %s: box: %s\n", platform::NarrowText(mode.Name).c_str(),
                                platform::NarrowText(testing::TWindowSession::BoxText(box)).c_str());
                    session.Answer(box, IDOK);
                }
                std::printf("window_salvage: %s: %s | %s | %s\n", platform::NarrowText(mode.Name).c_str(),
                            platform::NarrowText(session.Text(kStatusLine1)).c_str(),
                            platform::NarrowText(session.Text(kStatusLine2)).c_str(),
                            platform::NarrowText(session.Text(kProgressBar)).c_str());
                if (!done) status = 1;
            }
        });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window_salvage: %s\n", e.what());
        return 1;
    }
    return status;
}
