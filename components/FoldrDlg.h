// TFolderDlg: lets the user choose a folder in a modal dialog that opens on
// FolderPath, and hands back the chosen folder's path and display name.
#pragma once

#include <QPointer>
#include <QWidget>

#include <string>
#include <utility>

#include "components/FolderBrowser.h"
#include "platform/Component.h"
#include "platform/PathSyntax.h"

namespace tervaline::components {

class TFolderDlg : public platform::TComponent {
public:
    // The dialog is modal to OwnerWindow, or to the whole application when
    // there is none.
    explicit TFolderDlg(platform::TComponent* owner, QWidget* ownerWindow = nullptr);

    // Display name of the folder last chosen (not a path).
    const std::string& FolderName() const { return folderName_; }

    const std::string& FolderPath() const { return folderPath_; }
    // Drops one trailing separator unless Value is a root ("C:\", "/"), and
    // keeps the previous path when the result names no existing folder.
    void SetFolderPath(const std::string& value);

    const std::string& Comment() const { return comment_; }
    void SetComment(std::string value) { comment_ = std::move(value); }

    // Captions of the dialog's OK and Cancel buttons, in the language of the
    // window that shows it; empty keeps the toolkit's own.
    void SetButtonCaptions(std::string ok, std::string cancel) {
        okCaption_ = std::move(ok);
        cancelCaption_ = std::move(cancel);
    }

    // Shows the dialog and waits; true when a folder was chosen with OK,
    // which then becomes FolderPath (a root keeps its separator) and
    // FolderName. Cancel changes nothing.
    bool Execute();

    // The dialog while Execute shows it, else null.
    TFolderBrowser* ActiveBrowser() const { return activeBrowser_; }

private:
    QPointer<QWidget> ownerWindow_;
    TFolderBrowser* activeBrowser_ = nullptr;
    std::string folderName_;
    std::string folderPath_;
    std::string comment_;
    std::string okCaption_;
    std::string cancelCaption_;
};

// FolderPath's trimming rule on its own: Path without a trailing separator,
// except at a root.
std::string TrimFolderPath(platform::TPathSyntax syntax, const std::string& path);

}  // namespace tervaline::components
