#include "ui/RememberedChoices.h"

#include <string_view>

#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileFileValues.h"
#include "platform/SettingsFolder.h"

namespace tervaline::ui {

namespace {

constexpr std::string_view kSection = "Choices";
constexpr engine::TScanMode kWindowModes[] = {engine::TScanMode::Shallow, engine::TScanMode::Bottom,
                                              engine::TScanMode::Deep};

std::string ReadText(const platform::TProfileFile& file, std::string_view key) {
    // Quoted when written, so that blanks at either end of a path survive.
    return platform::UnfencedProfileString(file.Read(kSection, key).value_or(""), true, false);
}

}  // namespace

TRememberedChoices ReadRememberedChoices(const std::string& path) {
    TRememberedChoices choices;
    if (path.empty()) return choices;
    const platform::TProfileFile file(path);
    choices.StoreFolder = ReadText(file, "StoreFolder");
    choices.OutputFolder = ReadText(file, "OutputFolder");
    const std::string mode = ReadText(file, "Mode");
    for (engine::TScanMode offered : kWindowModes) {
        if (mode == engine::ScanModeName(offered)) choices.Mode = offered;
    }
    choices.Buffer = TBufferSize::Parse(ReadText(file, "Buffer")).value_or(choices.Buffer);
    return choices;
}

void WriteRememberedChoices(const std::string& path, const TRememberedChoices& choices) {
    const auto line = [](std::string_view key, const std::string& value) {
        return std::string(key) + "=\"" + value + "\"\n";
    };
    const std::string text = "[" + std::string(kSection) + "]\n" + line("StoreFolder", choices.StoreFolder) +
                             line("OutputFolder", choices.OutputFolder) +
                             line("Mode", engine::ScanModeName(choices.Mode)) +
                             line("Buffer", std::to_string(choices.Buffer.Kilobytes()));
    const std::string folder = platform::ExtractFileDir(platform::NativePathSyntax(), path);
    if (!folder.empty()) platform::ForceDirectories(folder);
    platform::WriteWholeFile(path, text);
}

std::string RememberedChoicesPath() {
    constexpr auto kSyntax = platform::NativePathSyntax();
    const std::string folder = platform::UserSettingsFolder();
    if (folder.empty()) return {};
    return platform::JoinPath(kSyntax, platform::JoinPath(kSyntax, folder, "tervaline"), "tervaline.ini");
}

}  // namespace tervaline::ui
