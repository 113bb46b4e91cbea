#include "ui/StartRequest.h"

#include "engine/SalvageRecording.h"
#include "engine/StoreFolder.h"
#include "platform/FileSystem.h"
#include "ui/BufferSize.h"
#include "ui/OutputFolder.h"
#include "ui/UserMessage.h"

namespace tervaline::ui {

namespace {

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

TStartRefusal Refusal(const std::string& sentence, const std::string& refused, TInputBox box) {
    return {sentence + std::string(kParagraph) + Quoted(refused), box};
}

engine::TScanSettings SettingsFor(const TStartInput& input, const std::string& store, const std::string& output,
                                  const std::string& trash, TBufferSize buffer, platform::TPathSyntax syntax) {
    engine::TScanSettings settings;
    settings.Source = store;
    settings.Output = output;
    settings.Trash = trash;
    settings.Mode = input.Mode;
    settings.BufferSize = buffer.Bytes();
    // The report is written wherever the build can: it is what tells the
    // user what was lost. A build without it offers none of its choices.
    const bool recording = engine::SalvageRecordingBuilt();
    settings.Report = recording;
    settings.HashStore = recording && input.HashStore;
    if (recording && input.WriteMbox) settings.Mbox = engine::DefaultMboxPath(syntax, output, store);
    settings.MboxAll = recording && input.WriteMbox && input.MboxAll;
    return settings;
}

}  // namespace

TStartDecision DecideStart(const TStartInput& input, const TInterfaceTexts& texts, platform::TPathSyntax syntax) {
    const bool folder = platform::DirectoryExists(input.Store);
    std::vector<engine::TFolderStore> stores;
    if (folder) {
        stores = engine::FolderStores(syntax, input.Store);
        if (stores.empty()) return Refusal(texts.NoStores, input.Store, TInputBox::Store);
    } else if (!platform::FileExists(input.Store)) {
        return Refusal(texts.NoFile, input.Store, TInputBox::Store);
    }
    const std::optional<TBufferSize> buffer = TBufferSize::Parse(input.Buffer);
    if (!buffer) return Refusal(texts.BadBuffer, input.Buffer, TInputBox::Buffer);

    TScanPlan plan;
    plan.Trash = input.Trash.empty() ? texts.DefaultTrashFolder : input.Trash;
    plan.OutputFolder = OutputFolderFor(syntax, input.Store, input.Output);
    if (!folder) {
        plan.Scans.push_back(SettingsFor(input, input.Store, plan.OutputFolder, plan.Trash, *buffer, syntax));
        return plan;
    }
    // Each store into a subfolder of its own, as on the command line.
    for (const engine::TFolderStore& store : stores) {
        plan.Scans.push_back(SettingsFor(input, platform::JoinPath(syntax, input.Store, store.FileName),
                                         platform::JoinPath(syntax, plan.OutputFolder, store.OutputName), plan.Trash,
                                         *buffer, syntax));
        plan.Scans.back().Folder = engine::FolderSetting(store);
    }
    return plan;
}

}  // namespace tervaline::ui
