// TBodyFile: the message files as a timeline tool takes them, one line per
// file in the body file's form (MD5|name|inode|mode|UID|GID|size|atime|
// mtime|ctime|crtime). A message's own Date is its mtime (else the time its
// file is dated by, from its record); where the store's record of it
// survives, the time it was received is its crtime (when it came to be on
// this machine) and the time it was saved into its folder its ctime (a
// change of where it stands, not of its text); atime, when it was last
// read, no record keeps, and stays 0 as do times not known. The inode is
// the chain's offset in the store, which names the message there.
// Written as the messages come, and named at the end, as the report is.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace tervaline::platform {
class TCommittedFile;
}

namespace tervaline::engine {

struct TBodyFileEntry {
    std::string Md5;
    std::string File;     // as the report names it
    std::string Subject;  // decoded; empty: none
    std::uint64_t Offset = 0;
    unsigned Mode = 0600;  // permission bits of the file
    std::uint64_t Size = 0;
    std::optional<std::int64_t> Date;      // seconds since 1970 UTC
    std::optional<std::int64_t> Received;
    std::optional<std::int64_t> Saved;
};

class TBodyFile {
public:
    // Begins the file under a temporary name beside Path; raises EFileError
    // as TCommittedFile does.
    TBodyFile(const std::string& path, unsigned mode, std::optional<platform::TFileIdentity> store);
    ~TBodyFile();
    TBodyFile(const TBodyFile&) = delete;
    TBodyFile& operator=(const TBodyFile&) = delete;

    // False, and the line left out, when the disk has no room for it.
    bool Add(const TBodyFileEntry& entry);
    void Finish();

    // The line of Entry, ended by a line feed. The name is the file's, then
    // its subject in parentheses; a bar or a control byte in either, which
    // would break the line, is written as \xNN.
    static std::string Line(const TBodyFileEntry& entry);

private:
    std::unique_ptr<platform::TCommittedFile> file_;
};

}  // namespace tervaline::engine
