// TMessageOutput: where each carved message goes and what became of it.
// It decides output folder, trash or the folder of deleted messages by the
// mail test and what the carver found out about the chain, makes the folders
// (looking each up once per scan), writes the file, raises the find, and
// counts what was written and what could not be. During a scan it belongs
// to the thread that writes the messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/CarvedMessage.h"
#include "engine/FoundMessage.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {
class TComponent;
}

namespace tervaline::engine {

class TMailTest;

class TMessageOutput {
public:
    using TClassify = std::function<bool(const std::string& text)>;
    using TFound = std::function<void(const TFoundMessage& message)>;

    struct TPlaces {
        std::string OutputDir;  // without a trailing separator
        std::string TrashDir;   // a name inside OutputDir; empty means "trash"
        platform::TPathSyntax Syntax;
        std::uint64_t StoreSize;  // decides the width of the file names
    };

    // IsMail decides output folder or trash; Found is raised after each
    // file is written, and a receiver that throws loses only its own
    // notification. Owner becomes the owner of the mail test's patterns.
    TMessageOutput(TPlaces places, TClassify isMail, TFound found, platform::TComponent* owner);
    ~TMessageOutput();
    TMessageOutput(const TMessageOutput&) = delete;
    TMessageOutput& operator=(const TMessageOutput&) = delete;

    // Writes the message, or counts it as unwritten with its reason.
    // Throws nothing.
    void Take(const TCarvedMessage& carved);

    // Called after each message file is written, before the next message
    // is taken; must not throw.
    std::function<void(const TCarvedMessage& carved, const TFoundMessage& written)> AfterWrite;

    // The mail test, made on first use by the thread that calls it.
    bool MailTest(const std::string& text);

    const std::string& TrashDir() const { return places_.TrashDir; }
    std::uint64_t Written() const { return written_; }
    std::uint64_t Unwritten() const { return unwritten_; }
    const std::string& FirstUnwrittenReason() const { return firstUnwrittenReason_; }
    // Valid inside Found, on the thread that raises it.
    const TFoundMessage& LastFound() const { return lastFound_; }

    // The subfolder of the output folder that receives deleted messages.
    static constexpr const char* kDeletedFolder = "deleted";

private:
    enum class TPlace { Output, Trash, Deleted };

    std::string FolderOf(TPlace place);
    // Makes Folder unless this scan has already seen it; true when it looked.
    bool LookUp(const std::string& folder, TPlace place);
    void Write(std::uint64_t start, const std::string& text, TPlace place);
    void NoteUnwritten(const std::string& reason);

    TPlaces places_;
    TClassify isMail_;
    TFound found_;
    platform::TComponent* owner_;
    std::unique_ptr<TMailTest> mailTest_;

    std::uint64_t written_ = 0;
    std::uint64_t unwritten_ = 0;
    std::string firstUnwrittenReason_;
    TFoundMessage lastFound_;
    // Folders this scan has already found or made, by place, so that each
    // message need not look them up again.
    std::string knownFolders_[3];
};

}  // namespace tervaline::engine
