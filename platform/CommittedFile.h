// TCommittedFile: a file written piece by piece as a new file under a
// temporary name of its own (TNewFile) and renamed into place only when the
// writer commits it, so that a reader never finds it half-written under its
// own name: a writer that fails or is destroyed first leaves nothing behind.
// It can hold disk room ahead of what it has written, so that a disk that
// fills up meanwhile still takes what it has yet to write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace tervaline::platform {

class TNewFile;

class TCommittedFile {
public:
    // Creates a fresh temporary file beside Path with the permission bits
    // Mode less the process's mask. Raises EFileError when it cannot, when
    // a folder stands at Path, or when Path leads to Keep, a file that must
    // never be replaced.
    TCommittedFile(std::string path, unsigned mode, std::optional<TFileIdentity> keep = std::nullopt);
    // Removes the temporary file unless committed.
    ~TCommittedFile();
    TCommittedFile(const TCommittedFile&) = delete;
    TCommittedFile& operator=(const TCommittedFile&) = delete;

    // Appends Bytes; raises EFileError on a failed write (a full disk).
    void Write(std::string_view bytes);
    // Makes sure that Bytes more than what was handed to Write so far have
    // room on the disk; false when the disk has none left for them (what
    // was held stays held). Where room cannot be held at all, true: the
    // writes will tell. Raises nothing.
    bool KeepRoomFor(std::uint64_t bytes) noexcept;
    // Writes out what is buffered, gives back the room held beyond it, and
    // renames the file to Path, replacing a file there, unless Path has come
    // to lead to Keep. Raises EFileError, and removes the temporary file,
    // when it cannot.
    void Commit();

    const std::string& Path() const { return path_; }
    // Bytes handed to Write so far.
    std::uint64_t Size() const { return size_; }

private:
    void Flush();
    void WriteOut(std::string_view bytes);
    void CheckTarget() const;

    std::string path_;
    std::optional<TFileIdentity> keep_;
    std::unique_ptr<TNewFile> file_;  // none once committed or failed
    // Bytes gathered for the next write, so that small pieces cost no
    // system call each; few, so that little stays unwritten.
    std::string buffer_;
    std::uint64_t size_ = 0;
    std::uint64_t held_ = 0;  // bytes of the file with room on the disk
};

}  // namespace tervaline::platform
