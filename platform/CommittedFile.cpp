#include "platform/CommittedFile.h"

#include <algorithm>
#include <utility>

#include "platform/NewFile.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {

namespace {

constexpr std::size_t kBufferSize = 64u << 10;
// Room is held in steps of at least this, so that few calls hold room for
// many small writes.
constexpr std::uint64_t kRoomStep = 4u << 10;

}  // namespace

TCommittedFile::TCommittedFile(std::string path, unsigned mode, std::optional<TFileIdentity> keep)
    : path_(std::move(path)), keep_(keep) {
    CheckTarget();
    const TPathSyntax syntax = NativePathSyntax();
    const std::string folder = ExtractFileDir(syntax, path_);
    file_ = std::make_unique<TNewFile>(folder.empty() ? std::string(".") : folder, ExtractFileName(syntax, path_),
                                       mode);
    buffer_.reserve(kBufferSize);
}

TCommittedFile::~TCommittedFile() = default;

void TCommittedFile::CheckTarget() const {
    // A folder there would fail the rename only at the end. Anything else
    // (a link, a pipe) is replaced as a name, never opened or followed.
    if (ExistsAsFolder(path_)) throw EFileError("Cannot write \"" + path_ + "\": a folder stands there");
    if (keep_ && IdentityOf(path_) == keep_) {
        throw EFileError("Cannot write \"" + path_ + "\": it is the store being scanned");
    }
}

void TCommittedFile::Write(std::string_view bytes) {
    if (!file_) throw EFileError("Cannot write \"" + path_ + "\": it was closed after an earlier failure");
    size_ += bytes.size();
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        WriteOut(bytes);
    } else {
        buffer_.append(bytes);
    }
}

bool TCommittedFile::KeepRoomFor(std::uint64_t bytes) noexcept {
    if (!file_) return false;
    const std::uint64_t needed = size_ + bytes;
    if (needed <= held_) return true;
    // Ahead by a step where the disk allows, else by just what is needed.
    const std::uint64_t ahead = needed + std::max(kRoomStep, bytes);
    for (const std::uint64_t hold : {ahead, needed}) {
        switch (file_->Reserve(hold)) {
            case TNewFile::TRoom::Held:
                held_ = hold;
                return true;
            case TNewFile::TRoom::Unheld:
                // Nothing says the disk lacks room: the writes will tell.
                return true;
            case TNewFile::TRoom::Full:
                break;
        }
    }
    return false;
}

void TCommittedFile::Flush() {
    WriteOut(buffer_);
    buffer_.clear();
}

void TCommittedFile::WriteOut(std::string_view bytes) {
    try {
        file_->Write(bytes);
    } catch (...) {
        // The temporary file goes with it: nothing half-written is left.
        file_.reset();
        throw;
    }
}

void TCommittedFile::Commit() {
    if (!file_) throw EFileError("Cannot write \"" + path_ + "\": it was closed after an earlier failure");
    try {
        Flush();
        // The room held beyond the end goes back to the disk.
        if (held_ > 0) file_->Truncate(file_->Size());
        CheckTarget();
        file_->Replace(path_);
    } catch (...) {
        file_.reset();
        throw;
    }
    file_.reset();
}

}  // namespace tervaline::platform
