// File services the engine and the window rely on, with failures raised as
// EFileError carrying the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tervaline::platform {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file opened for reading only and without sharing: while it is open, a
// second unshared open of the same file fails (on Linux, an exclusive
// advisory lock taken without waiting).
class TUnsharedReadFile {
public:
    explicit TUnsharedReadFile(const std::string& path);
    ~TUnsharedReadFile();
    TUnsharedReadFile(const TUnsharedReadFile&) = delete;
    TUnsharedReadFile& operator=(const TUnsharedReadFile&) = delete;

    // Reads up to Count bytes at Offset; fewer only at the end of the file.
    // A failed read raises EFileError and is never taken for data. Safe on
    // several threads at once.
    std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count);

    std::uint64_t Size() const;

private:
    std::string path_;
    int fd_ = -1;
};

// True for an existing file that is not a folder.
bool FileExists(const std::string& path);

// True for an existing folder.
bool DirectoryExists(const std::string& path);

// Size in bytes of an existing file, or 0 when there is none.
std::uint64_t FileSizeOrZero(const std::string& path);

// Creates Path and every missing parent folder; raises EFileError when it
// cannot, naming the folder and the reason.
void ForceDirectories(const std::string& path);

// Creates or replaces the whole file. The bytes go to a temporary file in
// the same folder that is renamed into place, so a failure never leaves a
// partial file under Path.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Test seam for write failures that a test cannot provoke for real. When a
// fault is set, WriteWholeFile writes each file in two halves and asks the
// fault before each half (with the target path and the bytes written so
// far); a non-zero errno it returns fails the write as if the system had
// refused it. An empty function removes the fault. Thread-safe.
using TWriteFault = std::function<int(const std::string& path, std::size_t written)>;
void SetWriteFaultForTesting(TWriteFault fault);

// The folder that holds the running program, with a trailing separator.
std::string ProgramFolder();

// Text for the last system error, e.g. "No such file or directory".
std::string SystemErrorText(int error);

}  // namespace tervaline::platform
