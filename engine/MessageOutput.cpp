#include "engine/MessageOutput.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "engine/MailTest.h"
#include "engine/SalvageRecording.h"
#include "engine/MessageFileName.h"
#include "platform/FolderLock.h"
#include "platform/NewFile.h"

namespace tervaline::engine {

namespace {

// How many copies beside a name are tried before a message counts as
// unwritten.
constexpr unsigned kMaxCopies = 999;

// The temporary files a scan makes in its folders are for message files
// and the report's.
bool IsLeftoverOfAScan(std::string_view target) {
    return IsMessageFileName(target) || IsReportFileName(target);
}

}  // namespace

TMessageOutput::TMessageOutput(TPlaces places, TClassify isMail, TFound found, TUnwritten unwritten,
                               platform::TComponent* owner)
    : places_(std::move(places)),
      isMail_(std::move(isMail)),
      found_(std::move(found)),
      unwrittenEvent_(std::move(unwritten)),
      owner_(owner) {}

TMessageOutput::~TMessageOutput() = default;

bool TMessageOutput::MailTest(const std::string& text) {
    // The owner's list takes its own lock, so making the patterns here, on
    // the writing thread, never changes the owner unsynchronised.
    if (!mailTest_) mailTest_ = std::make_unique<TMailTest>(owner_);
    return mailTest_->IsMail(text);
}

TSpillPlace TMessageOutput::SpillPlace() const {
    return TSpillPlace{places_.OutputDir, places_.FileMode, places_.HeldBytes};
}

void TMessageOutput::Open() {
    const std::string& output = places_.OutputDir;
    if (places_.StoreIdentity && platform::IdentityOf(output) == places_.StoreIdentity) {
        throw platform::EFileError("The output folder \"" + output + "\" is the store itself; give another folder");
    }
    if (!platform::DirectoryExists(output)) platform::ForceDirectories(output, places_.FolderMode, &madeByOpen_);
    locks_[static_cast<std::size_t>(TPlace::Output)] = std::make_unique<platform::TFolderLock>(output);
    try {
        const platform::TNewFile probe(output, MessageFileName(0, places_.StoreSize), places_.FileMode);
    } catch (const platform::EFileError& e) {
        platform::RaiseFileError("Cannot write into the output folder", output, e.Error());
    }
    CheckStoreOutside();
    // A trash (or deleted) folder that is a link to the output folder, or
    // to each other, would mix what the scan keeps apart.
    const auto outputIdentity = platform::IdentityOf(output);
    const auto trashIdentity = platform::IdentityOf(FolderOf(TPlace::Trash));
    const auto deletedIdentity = platform::IdentityOf(FolderOf(TPlace::Deleted));
    if ((trashIdentity && (trashIdentity == outputIdentity || trashIdentity == deletedIdentity)) ||
        (deletedIdentity && deletedIdentity == outputIdentity)) {
        throw platform::EFileError("The trash folder \"" + FolderOf(TPlace::Trash) +
                                   "\" leads to the output folder or its folder of deleted messages; "
                                   "name another trash folder");
    }
    leftoversRemoved_ += platform::TNewFile::RemoveLeftovers(output, IsLeftoverOfAScan);
    knownFolders_[static_cast<std::size_t>(TPlace::Output)] = output;
}

void TMessageOutput::CheckStoreOutside() const {
    // A store could only be harmed where it lies directly in a folder the
    // scan writes, under a name the scan writes or removes.
    const platform::TPathSyntax syntax = places_.Syntax;
    const std::string name = platform::ExtractFileName(syntax, places_.Store);
    std::string target;
    const bool ours = IsMessageFileName(name) || (platform::TNewFile::IsTemporaryName(name, target) &&
                                                  IsLeftoverOfAScan(target));
    if (!ours) return;
    const std::string folder = platform::ExtractFileDir(syntax, places_.Store);
    const auto storeFolder = platform::IdentityOf(folder.empty() ? std::string(".") : folder);
    for (const TPlace place : {TPlace::Output, TPlace::Trash, TPlace::Deleted}) {
        if (storeFolder && platform::IdentityOf(FolderOf(place)) == storeFolder) {
            throw platform::EFileError("The store \"" + places_.Store +
                                       "\" lies in a folder the scan writes, under a name it could write; "
                                       "salvage it into another folder");
        }
    }
}

void TMessageOutput::Take(TCarvedMessage& carved) {
    if (!carved.Unwritten.empty()) {
        NoteUnwritten(carved.Start, carved.Unwritten);
        return;
    }
    // A fragment goes to the trash whatever it holds: an address in its
    // body does not make it a message.
    TPlace place = TPlace::Trash;
    try {
        if (!carved.Fragment && IsMail(carved)) place = carved.Deleted ? TPlace::Deleted : TPlace::Output;
    } catch (const std::exception& e) {
        NoteUnwritten(carved.Start, e.what());
        return;
    }
    const std::uint64_t writtenBefore = written_;
    Write(carved, place);
    if (written_ != writtenBefore && AfterWrite) AfterWrite(carved, lastFound_);
}

bool TMessageOutput::IsMail(TCarvedMessage& carved) {
    if (!carved.Spilled) return isMail_(carved.Text);
    platform::TNewFile& file = *carved.Spilled;
    return TMailTest::IsMailByWindows(
        [&file](std::uint64_t offset, char* dest, std::size_t count) { return file.ReadAt(offset, dest, count); },
        places_.HeldBytes, isMail_);
}

std::string TMessageOutput::FolderOf(TPlace place) const {
    const char delimiter = platform::PathDelimiter(places_.Syntax);
    switch (place) {
        case TPlace::Output:
            return places_.OutputDir;
        case TPlace::Deleted:
            return places_.OutputDir + delimiter + kDeletedFolderName;
        case TPlace::Trash:
            break;
    }
    return places_.OutputDir + delimiter + places_.TrashDir;
}

bool TMessageOutput::LookUp(const std::string& folder, TPlace place) {
    const auto index = static_cast<std::size_t>(place);
    std::string& known = knownFolders_[index];
    if (known == folder) return false;
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder, places_.FolderMode);
    if (!locks_[index]) {
        locks_[index] = std::make_unique<platform::TFolderLock>(folder);
        leftoversRemoved_ += platform::TNewFile::RemoveLeftovers(folder, IsLeftoverOfAScan);
    }
    known = folder;
    return true;
}

std::string TMessageOutput::PlaceFile(platform::TNewFile& file, const std::string& folder, std::uint64_t start,
                                      bool& beside) {
    for (unsigned copy = 0; copy <= kMaxCopies; ++copy) {
        const std::string path = platform::JoinPath(places_.Syntax, folder,
                                                    MessageFileName(start, places_.StoreSize, copy));
        if (file.PlaceAs(path)) {
            beside = copy > 0;
            return path;
        }
        // What stands there is never replaced; the store, under whatever
        // name it is reached, is not even read.
        if (places_.StoreIdentity && platform::IdentityOf(path) == places_.StoreIdentity) continue;
        // Rerunning a salvage finds its own files again, and leaves them.
        if (file.SameBytesAs(path)) {
            beside = false;
            return path;
        }
    }
    throw platform::EFileError("Cannot write \"" +
                               platform::JoinPath(places_.Syntax, folder, MessageFileName(start, places_.StoreSize)) +
                               "\": it and every copy beside it up to ~" + std::to_string(kMaxCopies) +
                               " exist with other bytes");
}

void TMessageOutput::Write(TCarvedMessage& carved, TPlace place) {
    const std::uint64_t start = carved.Start;
    const std::uint64_t size = carved.Size();
    std::string path;
    bool beside = false;
    try {
        // The output folder is made even when every message goes elsewhere.
        const std::string output = FolderOf(TPlace::Output);
        const bool outputLookedUp = LookUp(output, TPlace::Output);
        const std::string folder = FolderOf(place);
        const bool folderLookedUp = place == TPlace::Output || LookUp(folder, place);
        const auto attempt = [&] {
            std::unique_ptr<platform::TNewFile> own;
            platform::TNewFile* file = carved.Spilled.get();
            if (file == nullptr) {
                own = std::make_unique<platform::TNewFile>(folder, MessageFileName(start, places_.StoreSize),
                                                           places_.FileMode);
                own->Write(carved.Text);
                file = own.get();
            }
            // Dated through the file itself before it has a name that anyone
            // could put something else under.
            Date(*file, carved);
            path = PlaceFile(*file, folder, start, beside);
        };
        try {
            attempt();
        } catch (...) {
            // A folder that vanished since it was last seen is made again and
            // the message written once more, just as a fresh look-up would
            // have done before the first attempt; any other failure stands.
            bool remade = false;
            if (!outputLookedUp && !platform::DirectoryExists(output)) {
                platform::ForceDirectories(output, places_.FolderMode);
                remade = true;
            }
            if (!folderLookedUp && !platform::DirectoryExists(folder)) {
                platform::ForceDirectories(folder, places_.FolderMode);
                remade = true;
            }
            if (!remade) throw;
            attempt();
        }
    } catch (const std::exception& e) {
        NoteUnwritten(start, e.what());
        return;
    } catch (...) {
        NoteUnwritten(start, "The message at " + MessageFileName(start, places_.StoreSize) + " could not be written");
        return;
    }
    ++written_;
    if (place == TPlace::Trash) ++writtenToTrash_;
    if (beside) ++writtenBeside_;
    lastFound_ = TFoundMessage{start, size, place, path, carved.FoundBy, carved.Record};
    try {
        if (found_) found_(lastFound_);
    } catch (...) {
        // A failing receiver costs its own notification only; the file is
        // written and the scan goes on.
    }
}

void TMessageOutput::Date(platform::TNewFile& file, const TCarvedMessage& carved) const {
    if (!DateOf) return;
    std::string buffer;
    std::optional<std::int64_t> seconds = DateOf(carved.HeaderStart(buffer));
    // Without a Date field the store's own record still knows when the
    // message came.
    if (!seconds && carved.Record) seconds = RecordDate(*carved.Record);
    if (!seconds) return;
    try {
        file.SetModificationTime(*seconds);
    } catch (const platform::EFileError&) {
        // The file is whole and the report gives its date; only a file
        // manager's order suffers.
    }
}

void TMessageOutput::Flush() {
    // Once for each volume: the folders of a scan seldom lie on more than one.
    std::vector<std::uint64_t> flushed;
    for (const std::string& folder : knownFolders_) {
        const auto identity = folder.empty() ? std::nullopt : platform::IdentityOf(folder);
        if (!identity || std::find(flushed.begin(), flushed.end(), identity->Volume) != flushed.end()) continue;
        platform::FlushVolumeOf(folder);
        flushed.push_back(identity->Volume);
    }
}

void TMessageOutput::Close() {
    for (auto it = madeByOpen_.rbegin(); it != madeByOpen_.rend(); ++it) platform::RemoveEmptyFolder(*it);
    madeByOpen_.clear();
    for (auto& lock : locks_) lock.reset();
}

void TMessageOutput::NoteUnwritten(std::uint64_t start, const std::string& reason) {
    if (unwritten_ == 0) firstUnwrittenReason_ = reason;
    ++unwritten_;
    lastUnwritten_ = TUnwrittenMessage{start, reason};
    try {
        if (unwrittenEvent_) unwrittenEvent_(lastUnwritten_);
    } catch (...) {
        // As for finds: the receiver's failure is its own.
    }
}

}  // namespace tervaline::engine
