// TCommittedFile: a file written piece by piece, in large writes, as a new
// file under a temporary name of its own (TNewFile) and renamed into place
// only when the writer commits it, so that a reader never finds it
// half-written under its own name: a writer that fails or is destroyed
// first leaves nothing behind.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tervaline::platform {

class TNewFile;

class TCommittedFile {
public:
    // Creates a fresh temporary file beside Path; raises EFileError when it
    // cannot.
    explicit TCommittedFile(std::string path);
    // Removes the temporary file unless committed.
    ~TCommittedFile();
    TCommittedFile(const TCommittedFile&) = delete;
    TCommittedFile& operator=(const TCommittedFile&) = delete;

    // Appends Bytes; raises EFileError on a failed write (a full disk).
    void Write(std::string_view bytes);
    // Writes out what is buffered, closes the file and renames it to Path,
    // replacing a file there. Raises EFileError, and removes the temporary
    // file, when it cannot.
    void Commit();

    const std::string& Path() const { return path_; }

private:
    void Flush();
    void WriteOut(std::string_view bytes);

    std::string path_;
    std::unique_ptr<TNewFile> file_;  // none once committed or failed
    // Bytes gathered for the next write, so that small pieces cost no
    // system call each.
    std::string buffer_;
};

}  // namespace tervaline::platform
