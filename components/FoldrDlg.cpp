#include "components/FoldrDlg.h"

#include <utility>

#include "components/AnsiText.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::components {

std::string TrimFolderPath(platform::TPathSyntax syntax, const std::string& path) {
    if (platform::IsRootPath(syntax, path)) return path;
    return platform::ExcludeTrailingDelimiter(syntax, path);
}

TFolderDlg::TFolderDlg(platform::TComponent* owner, QWidget* ownerWindow)
    : platform::TComponent(owner), ownerWindow_(ownerWindow) {}

void TFolderDlg::SetFolderPath(const std::string& value) {
    std::string path = TrimFolderPath(platform::NativePathSyntax(), value);
    if (platform::DirectoryExists(path)) folderPath_ = std::move(path);
}

bool TFolderDlg::Execute() {
    TFolderBrowser browser(ownerWindow_.data());
    browser.SetComment(AnsiToQString(comment_));
    browser.SetButtonCaptions(AnsiToQString(okCaption_), AnsiToQString(cancelCaption_));
    if (!folderPath_.empty() && platform::DirectoryExists(folderPath_)) {
        browser.SelectFolder(AnsiToQString(folderPath_));
    }
    activeBrowser_ = &browser;
    const int result = browser.exec();
    activeBrowser_ = nullptr;
    if (result != QDialog::Accepted) return false;
    const QString chosen = browser.SelectedPath();
    if (chosen.isEmpty()) return false;
    folderName_ = QStringToAnsi(browser.SelectedDisplayName());
    folderPath_ = QStringToAnsi(chosen);
    return true;
}

}  // namespace tervaline::components
