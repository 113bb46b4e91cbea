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
    if (carved.Unwritten.empty()) {
        Write(carved.Start, carved.Text);
    } else {
        NoteUnwritten(carved.Unwritten);
    }
}

void TMessageOutput::Write(std::uint64_t start, const std::string& text) {
    const char delimiter = platform::PathDelimiter(places_.Syntax);
    const std::string name = MessageFileName(start, places_.StoreSize);
    const std::string& outputDir = places_.OutputDir;
    std::string path;
    std::string trash;
    bool inTrash = false;
    try {
        const bool outputLookedUp = knownOutputDir_ != outputDir;
        if (outputLookedUp) {
            if (!platform::DirectoryExists(outputDir)) platform::ForceDirectories(outputDir);
            knownOutputDir_ = outputDir;
        }
        bool trashLookedUp = true;
        if (isMail_(text)) {
            path = outputDir + delimiter + name;
        } else {
            // An empty trash name becomes "trash" for the rest of the scan.
            if (places_.TrashDir.empty()) places_.TrashDir = "trash";
            trash = outputDir + delimiter + places_.TrashDir;
            trashLookedUp = knownTrashDir_ != trash;
            if (trashLookedUp) {
                if (!platform::DirectoryExists(trash)) platform::ForceDirectories(trash);
                knownTrashDir_ = trash;
            }
            path = trash + delimiter + name;
            inTrash = true;
        }
        try {
            platform::WriteWholeFile(path, text);
        } catch (...) {
            // A folder that vanished since it was last seen is made again and
            // the message written once more, just as a fresh look-up would
            // have done before the first attempt; any other failure stands.
            bool remade = false;
            if (!outputLookedUp && !platform::DirectoryExists(outputDir)) {
                platform::ForceDirectories(outputDir);
                remade = true;
            }
            if (!trashLookedUp && !platform::DirectoryExists(trash)) {
                platform::ForceDirectories(trash);
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
    lastFound_ = TFoundMessage{start, text.size(), inTrash, path};
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
