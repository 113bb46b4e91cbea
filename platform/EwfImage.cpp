// The E01 reader of a build with the Debian E01 library. Its handle reads
// one chunk at a time through a cache of its own and is not safe on several
// threads, so reads take turns.
#include "platform/EwfImage.h"

#include <libewf.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace tervaline::platform {

namespace {

// The library's error, freed once its words are taken.
class TEwfError {
public:
    TEwfError() = default;
    ~TEwfError() {
        if (error_ != nullptr) libewf_error_free(&error_);
    }
    TEwfError(const TEwfError&) = delete;
    TEwfError& operator=(const TEwfError&) = delete;

    libewf_error_t** operator&() { return &error_; }

    // The library's error holds a line for each function it passed through,
    // the outermost last; the innermost says what was found wrong.
    std::string Text() const {
        if (error_ == nullptr) return "the E01 library gave no reason";
        std::vector<char> buf(4096);
        if (libewf_error_sprint(error_, buf.data(), buf.size()) <= 0) return "the E01 library gave no reason";
        std::string text(buf.data());
        std::string first = text.substr(0, text.find('\n'));
        // "libewf_function: words." — the function's name is no reason.
        if (const std::size_t colon = first.find(": "); colon != std::string::npos) first.erase(0, colon + 2);
        while (!first.empty() && (first.back() == '.' || first.back() == ' ')) first.pop_back();
        return first;
    }

private:
    libewf_error_t* error_ = nullptr;
};

struct THandleFree {
    void operator()(libewf_handle_t* handle) const {
        libewf_handle_close(handle, nullptr);
        libewf_handle_free(&handle, nullptr);
    }
};
using THandle = std::unique_ptr<libewf_handle_t, THandleFree>;

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

// The segment files of the image whose first segment is at Path, in order,
// as the library finds them by name (.E01, .E02, ... .EAA, ...).
std::vector<std::string> SegmentsOf(const std::string& path) {
    TEwfError error;
    char** names = nullptr;
    int count = 0;
    if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &error) != 1) {
        throw EFileError("Cannot find the segment files of the E01 image \"" + path + "\": " + error.Text());
    }
    std::vector<std::string> segments(names, names + count);
    libewf_glob_free(names, count, nullptr);
    return segments;
}

// Why the library finds the segment set Segments broken, in words an
// examiner can act on: each segment's sections are followed to its last,
// which must be "next" in all but the last segment and "done" in that.
std::string WhatIsBroken(const std::vector<std::string>& segments) {
    constexpr std::uint64_t kFileHeader = 13;
    constexpr std::size_t kSectionHeader = 76;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::string& name = segments[i];
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"), &std::fclose);
        if (!file) return "\"" + name + "\" cannot be read";
        std::fseek(file.get(), 0, SEEK_END);
        const std::uint64_t size = static_cast<std::uint64_t>(std::ftell(file.get()));
        std::uint64_t at = kFileHeader;
        std::string type;
        // A chain that loops or runs on is damage too; no segment holds
        // this many sections.
        for (int sections = 0; sections < 1'000'000; ++sections) {
            unsigned char header[kSectionHeader];
            if (at + kSectionHeader > size || std::fseek(file.get(), static_cast<long>(at), SEEK_SET) != 0 ||
                std::fread(header, 1, kSectionHeader, file.get()) != kSectionHeader) {
                return "\"" + name + "\" is cut short: it ends at byte " + std::to_string(size) +
                       ", before its sections do";
            }
            type.assign(reinterpret_cast<const char*>(header), strnlen(reinterpret_cast<const char*>(header), 16));
            std::uint64_t next = 0;
            for (int b = 7; b >= 0; --b) next = next << 8 | header[16 + b];
            if (type == "next" || type == "done" || next <= at) break;
            at = next;
        }
        const bool last = i + 1 == segments.size();
        if (last && type == "next") return "the segment file after \"" + name + "\" is missing";
        if (!last && type == "done") return "\"" + name + "\" ends the image, but more segment files follow it";
    }
    return "its segment files do not make a whole image";
}

std::string SegmentList(const std::vector<std::string>& segments) {
    std::string list;
    for (const std::string& segment : segments) list += (list.empty() ? "" : ", ") + segment;
    return list;
}

class TEwfImage final : public TStoreSource {
public:
    explicit TEwfImage(std::unique_ptr<TUnsharedReadFile> first) : first_(std::move(first)) {
        const std::string& path = first_->Path();
        facts_.Format = "EWF";
        facts_.Segments = SegmentsOf(path);
        libewf_handle_t* raw = nullptr;
        TEwfError error;
        if (libewf_handle_initialize(&raw, &error) != 1) Fail("Cannot read", error);
        handle_.reset(raw);
        std::vector<char*> names;
        for (std::string& segment : facts_.Segments) names.push_back(segment.data());
        if (libewf_handle_open(handle_.get(), names.data(), static_cast<int>(names.size()), LIBEWF_OPEN_READ,
                               &error) != 1) {
            throw EFileError("Cannot open the E01 image \"" + path + "\" from its segment files (" +
                             SegmentList(facts_.Segments) + "): " + error.Text() +
                             "; a segment may be missing, cut short or damaged");
        }
        // The library opens a set with a segment missing or cut short, and
        // fails only on reading the chunks that are gone.
        if (libewf_handle_segment_files_corrupted(handle_.get(), &error) != 0) {
            throw EFileError("Cannot read the E01 image \"" + path + "\" (segment files " +
                             SegmentList(facts_.Segments) + "): " + WhatIsBroken(facts_.Segments));
        }
        size64_t mediaSize = 0;
        std::uint32_t bytesPerSector = 0;
        std::uint32_t sectorsPerChunk = 0;
        if (libewf_handle_get_media_size(handle_.get(), &mediaSize, &error) != 1 ||
            libewf_handle_get_bytes_per_sector(handle_.get(), &bytesPerSector, &error) != 1 ||
            libewf_handle_get_sectors_per_chunk(handle_.get(), &sectorsPerChunk, &error) != 1 ||
            bytesPerSector == 0 || sectorsPerChunk == 0) {
            Fail("Cannot read the media facts of", error);
        }
        size_ = mediaSize;
        bytesPerSector_ = bytesPerSector;
        chunkSize_ = bytesPerSector * sectorsPerChunk;
        ReadFacts();
    }

    ~TEwfImage() override = default;

    std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count) override {
        if (offset >= size_) return 0;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
        std::lock_guard<std::mutex> lock(mutex_);
        TEwfError error;
        const ssize_t got = libewf_handle_read_random(handle_.get(), dest, count, static_cast<off64_t>(offset), &error);
        if (got < 0) {
            throw EFileError("Cannot read \"" + first_->Path() + "\" at byte " + std::to_string(offset) + ": " +
                                 error.Text(),
                             EIO, error.Text());
        }
        // A chunk whose checksum fails is read, as the library gives it,
        // and listed: its bytes must not be taken for data.
        NoteChecksumErrors();
        for (const auto& [first, length] : corrupt_) {
            if (first < offset + static_cast<std::uint64_t>(got) && offset < first + length) {
                throw EFileError("Cannot read \"" + first_->Path() + "\" at byte " + std::to_string(first) +
                                     ": the image's chunk there fails its checksum",
                                 EIO, "E01 chunk checksum mismatch");
            }
        }
        return static_cast<std::size_t>(got);
    }

    // The chunk, which the image checks and fails whole.
    std::uint32_t SectorSize() const override { return chunkSize_; }
    std::uint64_t Size() const override { return size_; }
    const std::string& Path() const override { return first_->Path(); }
    TFileIdentity Identity() const override { return first_->Identity(); }
    unsigned Permissions() const override { return first_->Permissions(); }
    const TImageFacts* Image() const override { return &facts_; }

private:
    [[noreturn]] void Fail(const std::string& what, const TEwfError& error) const {
        throw EFileError(what + " the E01 image \"" + first_->Path() + "\": " + error.Text());
    }

    void ReadFacts() {
        TEwfError error;
        std::uint8_t md5[16];
        if (libewf_handle_get_md5_hash(handle_.get(), md5, sizeof md5, &error) == 1) {
            facts_.StoredDigests.emplace_back("md5", Hex(md5, sizeof md5));
        }
        std::uint8_t sha1[20];
        if (libewf_handle_get_sha1_hash(handle_.get(), sha1, sizeof sha1, &error) == 1) {
            facts_.StoredDigests.emplace_back("sha1", Hex(sha1, sizeof sha1));
        }
        libewf_handle_set_header_values_date_format(handle_.get(), LIBEWF_DATE_FORMAT_ISO8601, &error);
        std::uint32_t values = 0;
        if (libewf_handle_get_number_of_header_values(handle_.get(), &values, &error) != 1) return;
        for (std::uint32_t i = 0; i < values; ++i) {
            std::size_t idSize = 0;
            if (libewf_handle_get_header_value_identifier_size(handle_.get(), i, &idSize, &error) != 1 || idSize < 2) {
                continue;
            }
            std::vector<std::uint8_t> id(idSize);
            if (libewf_handle_get_header_value_identifier(handle_.get(), i, id.data(), id.size(), &error) != 1) {
                continue;
            }
            std::size_t valueSize = 0;
            if (libewf_handle_get_utf8_header_value_size(handle_.get(), id.data(), idSize - 1, &valueSize, &error) !=
                    1 ||
                valueSize < 2) {
                continue;
            }
            std::vector<std::uint8_t> value(valueSize);
            if (libewf_handle_get_utf8_header_value(handle_.get(), id.data(), idSize - 1, value.data(), value.size(),
                                                    &error) != 1) {
                continue;
            }
            facts_.Case.emplace_back(std::string(reinterpret_cast<const char*>(id.data())),
                                     std::string(reinterpret_cast<const char*>(value.data())));
        }
    }

    // Takes in the checksum errors the library has listed since the last
    // look, as byte ranges.
    void NoteChecksumErrors() {
        std::uint32_t count = 0;
        if (libewf_handle_get_number_of_checksum_errors(handle_.get(), &count, nullptr) != 1) return;
        for (; checksumErrorsSeen_ < count; ++checksumErrorsSeen_) {
            std::uint64_t sector = 0;
            std::uint64_t sectors = 0;
            if (libewf_handle_get_checksum_error(handle_.get(), checksumErrorsSeen_, &sector, &sectors, nullptr) ==
                1) {
                corrupt_.emplace_back(sector * bytesPerSector_, sectors * bytesPerSector_);
            }
        }
    }

    std::unique_ptr<TUnsharedReadFile> first_;
    THandle handle_;
    std::mutex mutex_;
    TImageFacts facts_;
    std::uint64_t size_ = 0;
    std::uint32_t bytesPerSector_ = 512;
    std::uint32_t chunkSize_ = 512;
    std::uint32_t checksumErrorsSeen_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> corrupt_;
};

}  // namespace

bool EwfImagesRead() { return true; }

std::unique_ptr<TStoreSource> OpenEwfImage(std::unique_ptr<TUnsharedReadFile> first) {
    return std::make_unique<TEwfImage>(std::move(first));
}

}  // namespace tervaline::platform
