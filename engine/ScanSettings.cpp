#include "engine/ScanSettings.h"

#include "platform/FileSystem.h"

namespace tervaline::engine {

std::string DefaultOutputFolder(platform::TPathSyntax syntax, const std::string& store) {
    const std::string folder = platform::RemoveFileExt(syntax, store);
    const std::string name = platform::ExtractFileName(syntax, folder);
    // A disk's folder is the system's list of devices, no place for mail.
    if (platform::IsDevice(store)) {
        return platform::JoinPath(syntax, platform::CurrentFolder(),
                                  platform::ExtractFileName(syntax, store) + ".salvaged");
    }
    // "..dbx" would give "." (the store's own folder), "x/...dbx" its parent.
    if (folder == store || name.empty() || name == "." || name == "..") return store + ".salvaged";
    return folder;
}

std::string DescribeUnwritten(const TScanOutcome& outcome) {
    if (outcome.Unwritten == 0) return std::string();
    const std::string count = std::to_string(outcome.Unwritten);
    if (outcome.Unwritten == 1) {
        return "1 message could not be written, because: " + outcome.FirstUnwrittenReason;
    }
    return count + " messages could not be written; the first because: " + outcome.FirstUnwrittenReason;
}

std::vector<std::string> DescribeNotes(const TScanOutcome& outcome) {
    std::vector<std::string> notes;
    if (outcome.WrittenBeside == 1) {
        notes.push_back("1 message was written beside a file of the same name with other bytes, as NAME~1.eml; "
                        "the file there was kept");
    } else if (outcome.WrittenBeside > 1) {
        notes.push_back(std::to_string(outcome.WrittenBeside) +
                        " messages were written beside files of the same name with other bytes, as NAME~1.eml "
                        "(~2, ...); the files there were kept");
    }
    if (outcome.LeftoversRemoved > 0) {
        notes.push_back("removed " + std::to_string(outcome.LeftoversRemoved) +
                        (outcome.LeftoversRemoved == 1 ? " temporary file" : " temporary files") +
                        " left by an earlier scan that was cut short");
    }
    // Index records and fragments of a damaged store can outnumber its mail
    // many times; they are kept, since a salvage does not guess, but a user
    // should know what the trash holds before wading through it.
    const std::uint64_t mail = outcome.Found - outcome.FoundInTrash;
    if (outcome.FoundInTrash >= 100 && outcome.FoundInTrash > 10 * mail) {
        notes.push_back(std::to_string(outcome.FoundInTrash) + " of the " + std::to_string(outcome.Found) +
                        " files written went to the trash folder: blocks that hold no mail (index records, "
                        "fragments), kept in case they hold something; the mail is in the output folder");
    }
    if (outcome.ReachedEnd && outcome.Carved == 0 && !outcome.StoreSignature) {
        notes.push_back("no mail store signature was found at the start of the file: it may not be a mail store");
    }
    return notes;
}

}  // namespace tervaline::engine
