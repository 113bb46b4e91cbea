// File services the engine and the window rely on, with failures raised as
// EFileError carrying the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ImageFacts.h"
#include "platform/NativeHandle.h"

namespace tervaline::platform {

class EFileError : public std::runtime_error {
public:
    explicit EFileError(const std::string& text, int error = 0, std::string reason = std::string())
        : std::runtime_error(text), error_(error), reason_(std::move(reason)) {}
    // The system's error number (errno; on Windows GetLastError's), when
    // the system refused; else 0.
    int Error() const { return error_; }
    // The system's words for Error ("Input/output error"), where the text
    // ends with them; else empty.
    const std::string& Reason() const { return reason_; }

private:
    int error_;
    std::string reason_;
};

// Raises EFileError: What, Path in quotes, and the system's text for Error.
[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path, int error);

// What tells one file from every other while both exist, whatever the
// paths that lead to them.
struct TFileIdentity {
    std::uint64_t Volume = 0;
    std::uint64_t Index = 0;
    friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
};

// The identity of what Path leads to (links followed), if it exists.
std::optional<TFileIdentity> IdentityOf(const std::string& path);

// The bytes a scan reads: a file or disk as it stands, or the disk an
// evidence image holds (OpenStoreSource chooses).
class TStoreSource {
public:
    virtual ~TStoreSource() = default;
    // Reads up to Count bytes at Offset; fewer only at the end. A failed
    // read raises EFileError and is never taken for data. Safe on several
    // threads at once.
    virtual std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count) = 0;
    // The smallest piece the bytes are read, and fail, in.
    virtual std::uint32_t SectorSize() const = 0;
    virtual std::uint64_t Size() const = 0;
    // The path the user named.
    virtual const std::string& Path() const = 0;
    // The file at Path, which nothing the scan writes may replace.
    virtual TFileIdentity Identity() const = 0;
    // The permission bits of the file at Path (see TUnsharedReadFile).
    virtual unsigned Permissions() const = 0;
    // What an evidence image says of itself; null for a plain file or disk.
    virtual const TImageFacts* Image() const { return nullptr; }
};

// A store opened for reading only and without sharing: while it is open, a
// second unshared open of the same file fails (on Linux, an exclusive
// advisory lock taken without waiting, beside a mark that tells a scan's
// hold from another program's; on Windows, an open that shares nothing).
// Only regular files and disks (block devices; on Windows \\.\ device
// paths such as \\.\PhysicalDrive1) are opened; anything else, a pipe
// above all, is refused without waiting on it.
class TUnsharedReadFile final : public TStoreSource {
public:
    explicit TUnsharedReadFile(const std::string& path);
    ~TUnsharedReadFile() override;
    TUnsharedReadFile(const TUnsharedReadFile&) = delete;
    TUnsharedReadFile& operator=(const TUnsharedReadFile&) = delete;

    // Reads up to Count bytes at Offset; fewer only at the end of the file.
    // A failed read raises EFileError and is never taken for data. Safe on
    // several threads at once.
    std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count) override;
    // The smallest piece the store is read, and fails, in: a disk's logical
    // sector size as the device tells it (512 or 4096), 512 for a file.
    std::uint32_t SectorSize() const override { return sectorSize_; }

    // The size now: a disk's comes from the device.
    std::uint64_t Size() const override;
    const std::string& Path() const override { return path_; }
    TFileIdentity Identity() const override { return identity_; }
    // The permission bits of the file (rwx for owner, group and others).
    // Windows keeps none: there new files take their folder's access rules
    // and the bits given for them are not used, and this is 0600.
    unsigned Permissions() const override { return permissions_; }

private:
    std::string path_;
    TNativeHandle handle_ = kNoHandle;
    // Windows: the mark that tells a scan's hold from another program's.
    TNativeHandle scanMark_ = kNoHandle;
    bool disk_ = false;
    std::uint32_t sectorSize_ = 512;
    TFileIdentity identity_;
    unsigned permissions_ = 0;
};

// True for an existing file that is not a folder.
bool FileExists(const std::string& path);

// True where a folder stands at Path itself (a link to one is no folder
// here: replacing the link leaves the folder be).
bool ExistsAsFolder(const std::string& path);

// True where Path names a disk or other device rather than a file (on
// Windows, a \\.\ device path).
bool IsDevice(const std::string& path);

// Where the symbolic link at Path leads, as the link says it; none where
// Path is no link (on Windows, none ever: its links are not read here).
std::optional<std::string> LinkTarget(const std::string& path);

// True for an existing folder.
bool DirectoryExists(const std::string& path);

// Size in bytes of an existing file or disk, or 0 when there is none.
std::uint64_t FileSizeOrZero(const std::string& path);

// Creates Path and every missing parent folder, each with the permission
// bits Mode less the process's mask, and adds each one made to Made (the
// outermost first); raises EFileError when it cannot, naming the folder and
// the reason.
void ForceDirectories(const std::string& path, unsigned mode = 0777, std::vector<std::string>* made = nullptr);

// Removes the file at Path if it is a regular file (a link is not
// followed, nor removed); true when it removed one.
bool RemoveRegularFile(const std::string& path);

// Removes the folder at Path if it is empty; does nothing otherwise.
void RemoveEmptyFolder(const std::string& path);

// Creates or replaces the whole file. The bytes go to a new temporary file
// in the same folder (TNewFile) that is renamed into place, so a failure
// never leaves a partial file under Path.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Makes what was written to the volume that holds Folder durable; raises
// EFileError when the system reports that it could not.
void FlushVolumeOf(const std::string& folder);

// The names of the regular files (links followed) directly in Folder, in
// no particular order; none when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);

// The process's current folder; raises EFileError when it has none (it was
// removed).
std::string CurrentFolder();

// The folder that holds the running program, with a trailing separator.
std::string ProgramFolder();

// Text for a system error number, e.g. "No such file or directory".
std::string SystemErrorText(int error);

// The system's error number for a disk with no room left (ENOSPC; on
// Windows ERROR_DISK_FULL), for a failure the program finds before the
// system does.
int DiskFullError();

}  // namespace tervaline::platform
