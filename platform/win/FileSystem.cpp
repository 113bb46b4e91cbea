#include "platform/FileSystem.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/FileSystemParts.h"
#include "platform/PathSyntax.h"
#include "platform/ReadFault.h"
#include "platform/win/Handle.h"
#include "platform/win/ScanMark.h"
#include "platform/win/WideText.h"

namespace tervaline::platform {

namespace {

constexpr TPathSyntax kNative = NativePathSyntax();
constexpr const char* kStoreMark = "store";
// ERROR_DIRECTORY_NOT_SUPPORTED, newer than the compiler's headers.
constexpr int kDirectoryNotSupported = 336;
// Raw disks are read in whole sectors; one that does not tell the size of
// its own is read in pieces of this, a multiple of every sector size in use.
constexpr std::uint32_t kSectorMultiple = 4096;

// \\.\ paths name devices: disks and volumes.
bool IsDevicePath(std::string_view path) { return path.size() > 4 && path.substr(0, 4) == "\\\\.\\"; }

DWORD AttributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WideText(path).c_str());
}

// The length of a disk; false, with the system's error, when it will not say.
bool DeviceLength(HANDLE device, std::uint64_t& length) {
    GET_LENGTH_INFORMATION info{};
    DWORD returned = 0;
    if (!::DeviceIoControl(device, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof info, &returned, nullptr)) {
        return false;
    }
    length = static_cast<std::uint64_t>(info.Length.QuadPart);
    return true;
}

// The bytes per sector the disk reads in: the least a read of it can fail
// in; kSectorMultiple where it will not say or says something no disk has.
std::uint32_t DeviceSectorSize(HANDLE device) {
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    if (::DeviceIoControl(device, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                          nullptr)) {
        const DWORD size = geometry.BytesPerSector;
        if (size >= 512 && size <= 65536 && (size & (size - 1)) == 0) return static_cast<std::uint32_t>(size);
    }
    return kSectorMultiple;
}

}  // namespace

int DiskFullError() { return ERROR_DISK_FULL; }

std::string SystemErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return "System error " + std::to_string(error);
    const std::unique_ptr<wchar_t, HLOCAL (*)(HLOCAL)> owned(text, ::LocalFree);
    std::wstring_view words(text, length);
    // The text ends a sentence of its own; here it ends one of ours.
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ' ||
                              words.back() == L'.')) {
        words.remove_suffix(1);
    }
    return NarrowText(words);
}

TUnsharedReadFile::TUnsharedReadFile(const std::string& path) : path_(path) {
    disk_ = IsDevicePath(path);
    const std::wstring wide = WideText(path);
    if (!disk_) {
        // A folder, which an open would refuse in words of no use here, and
        // a pipe, which an open could wait on, are told by their type first.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) RaiseFileError("Cannot open", path, static_cast<int>(::GetLastError()));
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) RaiseFileError("Cannot open", path, kDirectoryNotSupported);
    }
    // Sharing nothing keeps every other open out, a second scan's too. A
    // disk is the system's own while its volumes are mounted, and is shared
    // with it: there the mark alone keeps a second scan out.
    const DWORD share = disk_ ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    THandle file(::CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION) RaiseFileError("Cannot open", path, static_cast<int>(error));
        // An open that asks for no data meets no sharing rule, and tells
        // whose the file is.
        const THandle look(::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        TFileIdentity identity;
        if (look.Valid() && IdentityOfHandle(look.Get(), identity) &&
            ScanMarkHeld(ScanMarkName(kStoreMark, identity))) {
            throw EFileError("Cannot open \"" + path + "\": it is in use by another scan", static_cast<int>(error));
        }
        throw EFileError("Cannot open \"" + path + "\": another program has it open", static_cast<int>(error));
    }
    // A \\.\ path may as well name a pipe or a console as a disk.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        throw EFileError("Cannot open \"" + path +
                         "\": it is a device or a pipe, not a file or a disk, and only those can be scanned");
    }
    const bool known = IdentityOfHandle(file.Get(), identity_);
    // A disk tells no identity: its path names it, in any letter case.
    std::string disk = "disk-" + path;
    for (char& c : disk) c = c == '\\' ? '_' : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (disk_ || known) {
        bool heldElsewhere = false;
        THandle mark = TakeScanMark(disk_ ? disk : ScanMarkName(kStoreMark, identity_), heldElsewhere);
        if (heldElsewhere) {
            throw EFileError("Cannot open \"" + path + "\": it is in use by another scan", ERROR_SHARING_VIOLATION);
        }
        scanMark_ = mark.Release();
    }
    permissions_ = 0600;
    if (disk_) sectorSize_ = DeviceSectorSize(file.Get());
    handle_ = file.Release();
}

TUnsharedReadFile::~TUnsharedReadFile() {
    CloseNativeHandle(handle_);
    CloseNativeHandle(scanMark_);
}

std::size_t TUnsharedReadFile::ReadAt(std::uint64_t offset, void* dest, std::size_t count) {
    const HANDLE file = AsHandle(handle_);
    std::size_t done = 0;
    if (!disk_) {
#ifdef TERVALINE_FAULT_INJECTION
        CheckReadFault(path_, offset, count);
#endif
        if (!ReadFullyAt(file, offset, dest, count, done)) RaiseFileError("Cannot read", path_, static_cast<int>(::GetLastError()));
        return done;
    }
    // A disk reads whole sectors only: the sectors that hold the bytes
    // asked for are read into a buffer of their own.
    const std::uint64_t size = Size();
    if (offset >= size || count == 0) return 0;
    const std::uint64_t sector = sectorSize_;
    const std::uint64_t end = std::min<std::uint64_t>(size, offset + count);
    const std::uint64_t first = offset / sector * sector;
    const std::uint64_t last = std::min<std::uint64_t>(size, (end + sector - 1) / sector * sector);
    const std::size_t span = static_cast<std::size_t>(last - first);
    const std::unique_ptr<void, decltype(&::_aligned_free)> buffer(::_aligned_malloc(span, sector), ::_aligned_free);
    if (!buffer) throw std::bad_alloc();
#ifdef TERVALINE_FAULT_INJECTION
    CheckReadFault(path_, first, span);
#endif
    if (!ReadFullyAt(file, first, buffer.get(), span, done)) RaiseFileError("Cannot read", path_, static_cast<int>(::GetLastError()));
    const std::uint64_t skip = offset - first;
    if (done <= skip) return 0;
    const std::size_t copied = static_cast<std::size_t>(std::min<std::uint64_t>(done - skip, end - offset));
    std::memcpy(dest, static_cast<const char*>(buffer.get()) + skip, copied);
    return copied;
}

std::uint64_t TUnsharedReadFile::Size() const {
    const HANDLE file = AsHandle(handle_);
    std::uint64_t length = 0;
    if (disk_) {
        if (!DeviceLength(file, length)) RaiseFileError("Cannot read the size of", path_, static_cast<int>(::GetLastError()));
        return length;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) RaiseFileError("Cannot read the size of", path_, static_cast<int>(::GetLastError()));
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool FileExists(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExistsAsFolder(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool RemoveRegularFile(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    return ::DeleteFileW(WideText(path).c_str()) != 0;
}

bool IsDevice(const std::string& path) { return IsDevicePath(path); }

std::optional<std::string> LinkTarget(const std::string&) { return std::nullopt; }

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint64_t FileSizeOrZero(const std::string& path) {
    if (IsDevicePath(path)) {
        // A disk's size comes from the device, which asks for reading.
        const THandle device(::CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
        std::uint64_t length = 0;
        return device.Valid() && DeviceLength(device.Get(), length) ? length : 0;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !::GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int MakeOneFolder(const std::string& folder, unsigned) {
    // A new folder takes its parent's access rules: Mode has no place here.
    return ::CreateDirectoryW(WideText(folder).c_str(), nullptr) ? 0 : static_cast<int>(::GetLastError());
}

bool IsExistsError(int error) { return error == ERROR_ALREADY_EXISTS; }

void RemoveEmptyFolder(const std::string& path) { ::RemoveDirectoryW(WideText(path).c_str()); }

std::optional<TFileIdentity> IdentityOf(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // Asking for no data, so that a file held unshared still answers.
    const THandle file(::CreateFileW(WideText(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    TFileIdentity identity;
    if (!file.Valid() || !IdentityOfHandle(file.Get(), identity)) return std::nullopt;
    return identity;
}

void FlushVolumeOf(const std::string& folder) {
    wchar_t mount[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(WideText(folder).c_str(), mount, MAX_PATH)) {
        RaiseFileError("Cannot flush what was written to disk in", folder, static_cast<int>(::GetLastError()));
    }
    std::wstring volume = mount;
    // "C:\" names the drive's root folder; "\\.\C:" the volume itself.
    if (volume.size() == 3 && volume[1] == L':') volume = L"\\\\.\\" + volume.substr(0, 2);
    const THandle handle(::CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    // Only an administrator may flush a whole volume, and some volumes (of
    // the network, of an emulator) cannot be flushed whole at all. There the
    // files reach the disk as the system's cache writes them, as every other
    // program's do: that is no failure of this scan.
    if (!handle.Valid()) return;
    if (!::FlushFileBuffers(handle.Get())) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) return;
        RaiseFileError("Cannot flush what was written to disk in", folder, static_cast<int>(error));
    }
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = WideText(JoinPath(kNative, folder, "*"));
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return names;
    const std::unique_ptr<void, BOOL (*)(HANDLE)> owned(search, ::FindClose);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(NarrowText(found.cFileName));
    } while (::FindNextFileW(search, &found));
    return names;
}

std::string CurrentFolder() {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    const DWORD written = length == 0 ? 0 : ::GetCurrentDirectoryW(length, folder.data());
    if (written == 0 || written >= length) {
        const DWORD error = ::GetLastError();
        throw EFileError("Cannot tell the current folder: " + SystemErrorText(static_cast<int>(error)),
                         static_cast<int>(error));
    }
    folder.resize(written);
    return NarrowText(folder);
}

std::string ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return IncludeTrailingDelimiter(kNative, ".");
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return ExtractFilePath(kNative, NarrowText(buffer));
}

}  // namespace tervaline::platform
