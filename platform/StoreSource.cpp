#include "platform/StoreSource.h"

#include <array>

#include "platform/EwfImage.h"

namespace tervaline::platform {

namespace {

constexpr std::string_view kEwfSignature{"EVF\x09\x0d\x0a\xff\x00", 8};

}  // namespace

bool IsEwfSignature(std::string_view head) { return head.substr(0, kEwfSignature.size()) == kEwfSignature; }

std::unique_ptr<TStoreSource> OpenStoreSource(const std::string& path) {
    auto file = std::make_unique<TUnsharedReadFile>(path);
    // By what the file holds, not by its name: an image renamed is still
    // one, and a store called .E01 is still a store. A disk is read as it
    // stands: an image's segments are files.
    if (IsDevice(path)) return file;
    std::array<char, kEwfSignature.size()> head{};
    std::size_t got = 0;
    try {
        got = file->ReadAt(0, head.data(), head.size());
    } catch (const EFileError&) {
        // A first sector the disk cannot read holds no signature to go by;
        // the scan reads past it as past any other.
        return file;
    }
    if (!IsEwfSignature(std::string_view(head.data(), got))) return file;
    return OpenEwfImage(std::move(file));
}

std::uint64_t StoreSizeOrZero(const std::string& path) {
    try {
        return OpenStoreSource(path)->Size();
    } catch (const EFileError&) {
        return FileSizeOrZero(path);
    }
}

}  // namespace tervaline::platform
