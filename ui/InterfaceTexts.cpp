#include "ui/InterfaceTexts.h"

#include <array>

namespace tervaline::ui {

namespace {

using T = TInterfaceTexts;

const std::array<TTextKey, 60> kTextKeys = {{
    {"InputFile", &T::InputFile},
    {"BrowseFile", &T::BrowseFile},
    {"Filter", &T::Filter},
    {"OutputFolder", &T::OutputFolder},
    {"BrowseFolder", &T::BrowseFolder},
    {"SelectFolder", &T::SelectFolder},
    {"TrashFolder", &T::TrashFolder},
    {"DefaultTrashFolder", &T::DefaultTrashFolder},
    {"ScanMode", &T::ScanMode},
    {"ShallowMode", &T::ShallowMode},
    {"BottomMode", &T::BottomMode},
    {"DeepMode", &T::DeepMode},
    {"Buffer", &T::Buffer},
    {"Status", &T::Status},
    {"Start", &T::Start},
    {"Abort", &T::Abort},
    {"Close", &T::Close},
    {"OpenFolder", &T::OpenFolder},
    {"WriteMbox", &T::WriteMbox},
    {"MboxAll", &T::MboxAll},
    {"HashStore", &T::HashStore},
    {"NoFile", &T::NoFile},
    {"NoStores", &T::NoStores},
    {"NowScan", &T::NowScan},
    {"CanStop", &T::CanStop},
    {"FoundSoFar", &T::FoundSoFar},
    {"PercentDone", &T::PercentDone},
    {"TimeLeft", &T::TimeLeft},
    {"StoreOfFolder", &T::StoreOfFolder},
    {"FilesFound", &T::FilesFound},
    {"HexPrefix", &T::HexPrefix},
    {"NotStarted", &T::NotStarted},
    {"ScanFailed", &T::ScanFailed},
    {"Unwritten", &T::Unwritten},
    {"UnwrittenOne", &T::UnwrittenOne},
    {"UnwrittenMore", &T::UnwrittenMore},
    {"WrittenBeside", &T::WrittenBeside},
    {"WrittenBesideOne", &T::WrittenBesideOne},
    {"LeftoversRemoved", &T::LeftoversRemoved},
    {"Unreadable", &T::Unreadable},
    {"NoSignature", &T::NoSignature},
    {"TrashHoldsMost", &T::TrashHoldsMost},
    {"Completeness", &T::Completeness},
    {"ReportFailed", &T::ReportFailed},
    {"BadBuffer", &T::BadBuffer},
    {"BadLanguage", &T::BadLanguage},
    {"MailTrash", &T::MailTrash},
    {"Finished", &T::Finished},
    {"Stopped", &T::Stopped},
    {"EndedEarly", &T::EndedEarly},
    {"DidNotStart", &T::DidNotStart},
    {"OpenFailed", &T::OpenFailed},
    {"OK", &T::Ok},
    {"Yes", &T::Yes},
    {"No", &T::No},
    {"Cancel", &T::Cancel},
    {"Open", &T::Open},
    {"LookIn", &T::LookIn},
    {"FileName", &T::FileName},
    {"FileType", &T::FileType},
}};

}  // namespace

std::span<const TTextKey> TextKeys() { return kTextKeys; }

std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const std::size_t number = next >= '1' && next <= '9' ? static_cast<std::size_t>(next - '0') : 0;
        if (text[i] == '%' && number >= 1 && number <= arguments.size()) {
            result += *(arguments.begin() + (number - 1));
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace tervaline::ui
