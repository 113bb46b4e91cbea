#include "platform/NewFile.h"

#include <windows.h>

#include <cassert>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/NewFileParts.h"
#include "platform/PathSyntax.h"
#include "platform/win/Handle.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();

int LastError() { return static_cast<int>(::GetLastError()); }

bool AlreadyExists(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// A plain file: neither a folder nor a link or other reparse point.
bool IsPlainFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

}  // namespace

TNewFile::TNewFile(const std::string& folder, const std::string& name, unsigned)
    : intended_(JoinPath(kNative, folder, name)) {
    // The file takes its folder's access rules, so the bits asked for have
    // no place here.
    for (int attempt = 0;; ++attempt) {
        temp_ = TemporaryNameFor(intended_);
        // A new file only: whatever stands under the name, a link too, is
        // never opened. Deletion is shared, so that the file can be renamed
        // while it is open.
        THandle file(::CreateFileW(WideText(temp_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (file.Valid()) {
            handle_ = file.Release();
            return;
        }
        const DWORD error = ::GetLastError();
        if (!AlreadyExists(error) || attempt == 100) RaiseFileError("Cannot create", intended_, static_cast<int>(error));
    }
}

TNewFile::~TNewFile() {
    Close();
    if (!placed_) ::DeleteFileW(WideText(temp_).c_str());
}

void TNewFile::Close() { CloseNativeHandle(handle_); }

void TNewFile::Write(std::string_view bytes) {
    assert(handle_ != kNoHandle);
    // Reads at an offset move the file's position, so every write names
    // its own: the end of what was written.
    WriteThroughFault(intended_, size_, bytes, [this](const char* data, std::size_t count, int& error) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(size_);
        at.OffsetHigh = static_cast<DWORD>(size_ >> 32);
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count, std::size_t{1} << 30));
        if (!::WriteFile(AsHandle(handle_), data, piece, &written, &at)) {
            error = LastError();
            return std::int64_t{-1};
        }
        return static_cast<std::int64_t>(written);
    });
}

std::size_t TNewFile::ReadAt(std::uint64_t offset, void* dest, std::size_t count) const {
    assert(handle_ != kNoHandle);
    std::size_t done = 0;
    if (!ReadFullyAt(AsHandle(handle_), offset, dest, count, done)) RaiseFileError("Cannot read back", intended_, LastError());
    return done;
}

void TNewFile::SetModificationTime(std::int64_t seconds) {
    assert(handle_ != kNoHandle);
    // FILETIME counts 100 ns steps from 1601, 11,644,473,600 s before 1970.
    const std::int64_t ticks = (seconds + 11644473600LL) * 10000000LL;
    FILETIME time{};
    time.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    if (ticks < 0 || !::SetFileTime(AsHandle(handle_), nullptr, nullptr, &time)) {
        RaiseFileError("Cannot set the time of", intended_, ticks < 0 ? ERROR_INVALID_PARAMETER : LastError());
    }
}

TNewFile::TRoom TNewFile::Reserve(std::uint64_t bytes) noexcept {
    assert(handle_ != kNoHandle);
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes);
    if (::SetFileInformationByHandle(AsHandle(handle_), FileAllocationInfo, &room, sizeof room)) return TRoom::Held;
    const DWORD error = ::GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? TRoom::Full : TRoom::Unheld;
}

void TNewFile::Truncate(std::uint64_t size) {
    assert(handle_ != kNoHandle && size <= size_);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &end, sizeof end)) {
        RaiseFileError("Cannot write", intended_, LastError());
    }
    size_ = size;
}

bool TNewFile::SameBytesAs(const std::string& path) const {
    assert(handle_ != kNoHandle);
    // Only a plain file is opened at all: opening a device can do things.
    const std::wstring wide = WideText(path);
    if (!IsPlainFile(::GetFileAttributesW(wide.c_str()))) return false;
    const THandle other(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!other.Valid() || ::GetFileType(other.Get()) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(other.Get(), &size) || static_cast<std::uint64_t>(size.QuadPart) != size_) return false;
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<char> mine(kChunk), theirs(kChunk);
    for (std::uint64_t at = 0; at < size_;) {
        std::size_t a = 0, b = 0;
        if (!ReadFullyAt(AsHandle(handle_), at, mine.data(), kChunk, a) ||
            !ReadFullyAt(other.Get(), at, theirs.data(), kChunk, b)) {
            return false;
        }
        if (a == 0 || a != b || std::memcmp(mine.data(), theirs.data(), a) != 0) return false;
        at += a;
    }
    // Nothing may follow: the file could have grown since it was measured.
    char extra = 0;
    std::size_t more = 0;
    return ReadFullyAt(other.Get(), size_, &extra, 1, more) && more == 0;
}

bool TNewFile::PlaceAs(const std::string& path) {
    assert(handle_ != kNoHandle && !placed_);
    // Without replacement the move refuses a name that exists; write-through
    // makes the new name durable before the call returns.
    if (::MoveFileExW(WideText(temp_).c_str(), WideText(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        placed_ = true;
        return true;
    }
    const DWORD error = ::GetLastError();
    if (AlreadyExists(error)) return false;
    if (error != ERROR_NOT_SAME_DEVICE) RaiseFileError("Cannot write", path, static_cast<int>(error));
    // Another volume: the bytes are copied into a new file of their own
    // beside Path, which is then put in place.
    TNewFile copy(ExtractFileDir(kNative, path), ExtractFileName(kNative, path), 0600);
    CopyWritten(*this, size_, copy);
    FILETIME written{};
    if (::GetFileTime(AsHandle(handle_), nullptr, nullptr, &written)) {
        ::SetFileTime(AsHandle(copy.handle_), nullptr, nullptr, &written);
    }
    // This file stays temporary and goes with the object.
    return copy.PlaceAs(path);
}

void TNewFile::Replace(const std::string& path) {
    assert(handle_ != kNoHandle && !placed_);
    Close();
    if (!::MoveFileExW(WideText(temp_).c_str(), WideText(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RaiseFileError("Cannot replace", path, LastError());
    }
    placed_ = true;
}

std::uint64_t TNewFile::RemoveLeftovers(const std::string& folder,
                                        const std::function<bool(std::string_view target)>& ours) {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = WideText(JoinPath(kNative, folder, "*"));
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return 0;  // an empty drive root lists nothing at all
        RaiseFileError("Cannot list the folder", folder, static_cast<int>(error));
    }
    const std::unique_ptr<void, BOOL (*)(HANDLE)> owned(search, ::FindClose);
    std::uint64_t removed = 0;
    std::string target;
    do {
        const std::string name = NarrowText(found.cFileName);
        if (!IsPlainFile(found.dwFileAttributes) || !IsTemporaryName(name, target) || !ours(target)) continue;
        const std::string path = JoinPath(kNative, folder, name);
        if (!::DeleteFileW(WideText(path).c_str())) RaiseFileError("Cannot remove", path, LastError());
        ++removed;
    } while (::FindNextFileW(search, &found));
    return removed;
}

}  // namespace tervaline::platform
