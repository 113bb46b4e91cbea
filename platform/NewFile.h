// TNewFile: a file written under a temporary name of its own beside the
// name it is meant for, and given that name only once it is complete. It is
// always a new regular file: whatever already stands in the folder (a file,
// a link, a pipe, another writer's temporary file) is never opened, written
// through or replaced unless the caller asks for replacement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/NativeHandle.h"

namespace tervaline::platform {

class TNewFile {
public:
    // Creates an empty file in Folder under a fresh name made from Name
    // (Name, a dot, eight random letters and digits, ".partial"), with the
    // permission bits Mode less the process's mask. Raises EFileError,
    // naming Folder/Name, when it cannot.
    TNewFile(const std::string& folder, const std::string& name, unsigned mode);
    // Removes the temporary file unless it was put in place.
    ~TNewFile();
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;

    // Appends Bytes; raises EFileError naming Folder/Name.
    void Write(std::string_view bytes);
    std::uint64_t Size() const { return size_; }
    // Reads up to Count bytes at Offset of what was written.
    std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count) const;
    // Cuts the file to Size bytes, which must not exceed what was written,
    // and gives back the room reserved beyond them.
    void Truncate(std::uint64_t size);
    // Sets the file's modification time to Seconds since 1970 UTC (earlier
    // ones too); raises EFileError naming Folder/Name.
    void SetModificationTime(std::int64_t seconds);
    // Allocates disk room for the first Bytes of the file, beyond what is
    // written too, so that writes up to there cannot find the disk full;
    // the file may then read longer than what was written until Truncate
    // cuts it to Size(). Full when the disk (or the user's quota) has no
    // room for it; Unheld when room cannot be held here for another reason
    // (a file size limit, a file system that cannot).
    enum class TRoom { Held, Full, Unheld };
    TRoom Reserve(std::uint64_t bytes) noexcept;
    // Whether the file at Path is a regular file with the same bytes. Links
    // are not followed, and anything unreadable counts as different.
    bool SameBytesAs(const std::string& path) const;

    // Gives the file the name Path (in this folder or another on the same
    // or another volume) unless something of that name exists; false then,
    // and the file stays where it was. The file stays open, so that what
    // was written is read back from this file and no other, whatever comes
    // to stand under its name afterwards.
    bool PlaceAs(const std::string& path);
    // Gives the file the name Path, replacing a file of that name.
    void Replace(const std::string& path);

    const std::string& TemporaryPath() const { return temp_; }

    // Whether a folder entry named Name has the form of a temporary name;
    // Target then receives the name it was made for.
    static bool IsTemporaryName(std::string_view name, std::string& target);
    // Removes the regular files in Folder whose names are temporary names
    // made for a name Ours accepts, and returns how many it removed.
    static std::uint64_t RemoveLeftovers(const std::string& folder,
                                         const std::function<bool(std::string_view target)>& ours);

private:
    void Close();

    std::string intended_;  // Folder/Name, for the messages
    std::string temp_;
    TNativeHandle handle_ = kNoHandle;
    std::uint64_t size_ = 0;
    std::uint64_t reserved_ = 0;  // bytes from the start that Reserve holds
    bool placed_ = false;
};

}  // namespace tervaline::platform
