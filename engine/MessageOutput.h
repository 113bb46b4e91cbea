// TMessageOutput: where each carved message goes and what became of it.
// It decides output folder, trash or the folder of deleted messages by the
// mail test and what the carver found out about the chain, makes the folders
// (looking each up once per scan) and holds them against other scans, writes
// each file as a new file put in place only when whole, never replacing a
// file there (a message meeting other bytes under its name goes beside them
// as NAME~1.eml), raises the find, and counts what was written and what
// could not be. During a scan it belongs to the thread that writes the
// messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CarvedMessage.h"
#include "engine/CarvedText.h"
#include "engine/FoundMessage.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {
class TComponent;
class TFolderLock;
}  // namespace tervaline::platform

namespace tervaline::engine {

class TMailTest;

class TMessageOutput {
public:
    using TClassify = std::function<bool(const std::string& text)>;
    using TFound = std::function<void(const TFoundMessage& message)>;
    using TUnwritten = std::function<void(const TUnwrittenMessage& message)>;

    struct TPlaces {
        std::string OutputDir;  // without a trailing separator
        std::string TrashDir;   // a folder name inside OutputDir
        platform::TPathSyntax Syntax;
        std::uint64_t StoreSize;  // decides the width of the file names
        // The store, which no message may replace or be written through.
        std::string Store;
        std::optional<platform::TFileIdentity> StoreIdentity;
        // Permission bits of the files and folders made.
        unsigned FileMode = 0666;
        unsigned FolderMode = 0777;
        // The most text of one message held in memory; longer ones come
        // spilled to a file and are tested window by window.
        std::size_t HeldBytes = 4u << 20;
    };

    // IsMail decides output folder or trash; Found is raised after each
    // file is written, and a receiver that throws loses only its own
    // notification; Unwritten likewise for each message that could not
    // be. Owner becomes the owner of the mail test's patterns.
    TMessageOutput(TPlaces places, TClassify isMail, TFound found, TUnwritten unwritten,
                   platform::TComponent* owner);
    ~TMessageOutput();
    TMessageOutput(const TMessageOutput&) = delete;
    TMessageOutput& operator=(const TMessageOutput&) = delete;

    // Before the first message: makes the output folder and holds it for
    // this scan, makes sure files can be made in it and that the store
    // cannot be among them, and removes the temporary files a scan cut
    // short left there. Raises, in words, what keeps the scan from writing.
    void Open();

    // Writes the message, or counts it as unwritten with its reason. Takes
    // over a spilled text's file. Throws nothing.
    void Take(TCarvedMessage& carved);

    // Makes what was written durable; raises when the system cannot.
    void Flush();
    // After the last message: lets the folders go, and removes again those
    // that Open made and that stayed empty, so that a scan that wrote
    // nothing leaves nothing behind.
    void Close();

    // Where the carvers put texts too long to hold: a new file in the output
    // folder, which Take moves to its place.
    TSpillPlace SpillPlace() const;

    // Called after each message file is written, before the next message
    // is taken, with the message as written (a long one's text still open
    // in its file, Spilled); may take the message over. Must not throw.
    std::function<void(TCarvedMessage& carved, const TFoundMessage& written)> AfterWrite;
    // The moment a message's file is dated by, from the start of its text
    // (its header section); none leaves the file the time it was written.
    std::function<std::optional<std::int64_t>(std::string_view messageStart)> DateOf;

    // The mail test, made on first use by the thread that calls it.
    bool MailTest(const std::string& text);

    const std::string& TrashDir() const { return places_.TrashDir; }
    std::uint64_t Written() const { return written_; }
    std::uint64_t WrittenToTrash() const { return writtenToTrash_; }
    std::uint64_t WrittenBeside() const { return writtenBeside_; }
    std::uint64_t Unwritten() const { return unwritten_; }
    std::uint64_t LeftoversRemoved() const { return leftoversRemoved_; }
    const std::string& FirstUnwrittenReason() const { return firstUnwrittenReason_; }
    // Valid inside Found, on the thread that raises it.
    const TFoundMessage& LastFound() const { return lastFound_; }
    // Valid inside Unwritten, on the thread that raises it.
    const TUnwrittenMessage& LastUnwritten() const { return lastUnwritten_; }

private:
    using TPlace = TMessagePlace;
    static constexpr std::size_t kPlaces = 3;

    std::string FolderOf(TPlace place) const;
    // Makes Folder unless this scan has already seen it; true when it looked.
    bool LookUp(const std::string& folder, TPlace place);
    void CheckStoreOutside() const;
    bool IsMail(TCarvedMessage& carved);
    void Write(TCarvedMessage& carved, TPlace place);
    void Date(platform::TNewFile& file, const TCarvedMessage& carved) const;
    // Gives File its name in Folder, or the first free copy's; answers the
    // path, and whether it is a copy written beside another file.
    std::string PlaceFile(platform::TNewFile& file, const std::string& folder, std::uint64_t start, bool& beside);
    void NoteUnwritten(std::uint64_t start, const std::string& reason);

    TPlaces places_;
    TClassify isMail_;
    TFound found_;
    TUnwritten unwrittenEvent_;
    platform::TComponent* owner_;
    std::unique_ptr<TMailTest> mailTest_;

    std::uint64_t written_ = 0;
    std::uint64_t writtenToTrash_ = 0;
    std::uint64_t writtenBeside_ = 0;
    std::uint64_t unwritten_ = 0;
    std::uint64_t leftoversRemoved_ = 0;
    std::string firstUnwrittenReason_;
    TFoundMessage lastFound_;
    TUnwrittenMessage lastUnwritten_;
    // Folders this scan has already found or made, and holds, by place, so
    // that each message need not look them up again.
    std::string knownFolders_[kPlaces];
    std::unique_ptr<platform::TFolderLock> locks_[kPlaces];
    std::vector<std::string> madeByOpen_;
};

}  // namespace tervaline::engine
