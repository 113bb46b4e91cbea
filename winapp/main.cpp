// Start-up of the Windows window program: one window, run until it closes.
#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/win/WideText.h"
#include "ui/RememberedChoices.h"
#include "winapp/ComApartment.h"
#include "winapp/FontCoverage.h"
#include "winapp/MainWindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace tervaline;
    try {
        winapp::TComApartment com;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LINK_CLASS |
                                                           ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        auto coverage = std::make_shared<winapp::TFontCoverage>();
        ui::TMainWindowModel::TEnvironment environment;
        environment.ProgramFolder = platform::ProgramFolder();
        environment.SettingsFile = ui::RememberedChoicesPath();
        environment.CanDraw = [coverage](std::string_view text) { return coverage->CanDraw(text); };
        winapp::TMainWindow window(std::move(environment));
        window.Show(showCommand);
        return winapp::RunMessageLoop(window);
    } catch (const std::exception& e) {
        ::MessageBoxW(nullptr, platform::WideText(e.what()).c_str(), platform::WideText(ui::kWindowCaption).c_str(),
                      MB_OK | MB_ICONERROR);
        return 1;
    }
}
