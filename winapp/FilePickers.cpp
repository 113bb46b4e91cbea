#include "winapp/FilePickers.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"
#include "platform/win/WideText.h"
#include "winapp/FileTypes.h"
#include "winapp/OwnedHandle.h"
#include "winapp/WindowsError.h"

namespace tervaline::winapp {

namespace {

constexpr auto kSyntax = platform::NativePathSyntax();

TComPtr<IShellItem> ShellItemOf(const std::string& path) {
    TComPtr<IShellItem> item;
    if (FAILED(
            ::SHCreateItemFromParsingName(platform::WideText(path).c_str(), nullptr, IID_IShellItem, item.OutVoid()))) {
        return {};
    }
    return item;
}

TComPtr<IFileOpenDialog> MakeDialog() {
    TComPtr<IFileOpenDialog> dialog;
    ThrowIfFailed(
        ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog, dialog.OutVoid()),
        "CoCreateInstance(FileOpenDialog)");
    return dialog;
}

// Starts the dialog in Folder, which it shows whatever it remembers.
void StartIn(IFileOpenDialog& dialog, const std::string& folder) {
    if (folder.empty()) return;
    if (TComPtr<IShellItem> item = ShellItemOf(folder); item.Get() != nullptr) dialog.SetFolder(item.Get());
}

std::optional<std::string> Run(IFileOpenDialog& dialog, HWND owner) {
    const HRESULT shown = dialog.Show(owner);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return std::nullopt;
    ThrowIfFailed(shown, "IFileOpenDialog::Show");
    TComPtr<IShellItem> item;
    ThrowIfFailed(dialog.GetResult(item.Out()), "IFileOpenDialog::GetResult");
    wchar_t* path = nullptr;
    ThrowIfFailed(item->GetDisplayName(SIGDN_FILESYSPATH, &path), "IShellItem::GetDisplayName");
    std::string chosen = platform::NarrowText(path);
    ::CoTaskMemFree(path);
    return chosen;
}

}  // namespace

std::optional<std::string> PickStoreFile(HWND owner, const ui::TInterfaceTexts& texts, const std::string& start) {
    TComPtr<IFileOpenDialog> dialog = MakeDialog();
    const std::vector<TFileType> types = ParseFileTypes(texts.Filter);
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const TFileType& type : types) specs.push_back({type.Description.c_str(), type.Patterns.c_str()});
    if (!specs.empty()) dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
    dialog->SetOkButtonLabel(platform::WideText(texts.Open).c_str());
    dialog->SetFileNameLabel(platform::WideText(texts.FileName).c_str());
    dialog->SetOptions(FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR);
    if (platform::DirectoryExists(start)) {
        StartIn(*dialog.Get(), start);
    } else if (!start.empty()) {
        StartIn(*dialog.Get(), platform::ExtractFileDir(kSyntax, start));
        dialog->SetFileName(platform::WideText(platform::ExtractFileName(kSyntax, start)).c_str());
    }
    return Run(*dialog.Get(), owner);
}

std::optional<std::string> PickFolder(HWND owner, const ui::TInterfaceTexts& texts, const std::string& start) {
    TComPtr<IFileOpenDialog> dialog = MakeDialog();
    dialog->SetOptions(FOS_PICKFOLDERS | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR);
    dialog->SetTitle(platform::WideText(texts.SelectFolder).c_str());
    dialog->SetOkButtonLabel(platform::WideText(texts.Ok).c_str());
    StartIn(*dialog.Get(), start);
    return Run(*dialog.Get(), owner);
}

}  // namespace tervaline::winapp
