#include "engine/MessageOutput.h"

#include <exception>
#include <utility>

#include "engine/MailTest.h"
#include "engine/MessageFileName.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

TMessageOutput::TMessageOutput(TPlaces places, TClassify isMail, TFound found, platform::TComponent* owner)
    : places_(std::move(places)), isMail_(std::move(isMail)), found_(std::move(found)), owner_(owner) {}

TMessageOutput::~TMessageOutput() = default;

bool TMessageOutput::MailTest(const std::string& text) {
    // The owner's list takes its own lock, so making the patterns here, on
    // the writing thread, never changes the owner unsynchronised.
    if (!mailTest_) mailTest_ = std::make_unique<TMailTest>(owner_);
    return mailTest_->IsMail(text);
}

void TMessageOutput::Take(const TCarvedMessage& carved) {
    if (!carved.Unwritten.empty()) {
        NoteUnwritten(carved.Unwritten);
        return;
    }
    // A fragment goes to the trash whatever it holds: an address in its
    // body does not make it a message.
    TPlace place = TPlace::Trash;
    if (!carved.Fragment && isMail_(carved.Text)) place = carved.Deleted ? TPlace::Deleted : TPlace::Output;
    const std::uint64_t writtenBefore = written_;
    Write(carved.Start, carved.Text, place);
    if (written_ != writtenBefore && AfterWrite) AfterWrite(carved, lastFound_);
}

std::string TMessageOutput::FolderOf(TPlace place) {
    const char delimiter = platform::PathDelimiter(places_.Syntax);
    switch (place) {
        case TPlace::Output:
            return places_.OutputDir;
        case TPlace::Deleted:
            return places_.OutputDir + delimiter + kDeletedFolder;
        case TPlace::Trash:
            break;
    }
    // An empty trash name becomes "trash" for the rest of the scan.
    if (places_.TrashDir.empty()) places_.TrashDir = "trash";
    return places_.OutputDir + delimiter + places_.TrashDir;
}

bool TMessageOutput::LookUp(const std::string& folder, TPlace place) {
    std::string& known = knownFolders_[static_cast<std::size_t>(place)];
    if (known == folder) return false;
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
    known = folder;
    return true;
}

void TMessageOutput::Write(std::uint64_t start, const std::string& text, TPlace place) {
    const char delimiter = platform::PathDelimiter(places_.Syntax);
    const std::string name = MessageFileName(start, places_.StoreSize);
    std::string path;
    try {
        // The output folder is made even when every message goes elsewhere.
        const std::string output = FolderOf(TPlace::Output);
        const bool outputLookedUp = LookUp(output, TPlace::Output);
        const std::string folder = FolderOf(place);
        const bool folderLookedUp = place == TPlace::Output || LookUp(folder, place);
        path = folder + delimiter + name;
        try {
            platform::WriteWholeFile(path, text);
        } catch (...) {
            // A folder that vanished since it was last seen is made again and
            // the message written once more, just as a fresh look-up would
            // have done before the first attempt; any other failure stands.
            bool remade = false;
            if (!outputLookedUp && !platform::DirectoryExists(output)) {
                platform::ForceDirectories(output);
                remade = true;
            }
            if (!folderLookedUp && !platform::DirectoryExists(folder)) {
                platform::ForceDirectories(folder);
                remade = true;
            }
            if (!remade) throw;
            platform::WriteWholeFile(path, text);
        }
    } catch (const std::exception& e) {
        NoteUnwritten(e.what());
        return;
    } catch (...) {
        NoteUnwritten("The message at " + name + " could not be written");
        return;
    }
    ++written_;
    lastFound_ = TFoundMessage{start, text.size(), place == TPlace::Trash, place == TPlace::Deleted, path};
    try {
        if (found_) found_(lastFound_);
    } catch (...) {
        // A failing receiver costs its own notification only; the file is
        // written and the scan goes on.
    }
}

void TMessageOutput::NoteUnwritten(const std::string& reason) {
    if (unwritten_ == 0) firstUnwrittenReason_ = reason;
    ++unwritten_;
}

}  // namespace tervaline::engine
