#include "platform/CommittedFile.h"

#include <utility>

#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {

namespace {

constexpr std::size_t kBufferSize = 1u << 20;

}  // namespace

TCommittedFile::TCommittedFile(std::string path) : path_(std::move(path)) {
    const TPathSyntax syntax = NativePathSyntax();
    const std::string folder = ExtractFileDir(syntax, path_);
    // As readable as the messages beside it, less what the user's mask
    // takes away.
    file_ = std::make_unique<TNewFile>(folder.empty() ? std::string(".") : folder, ExtractFileName(syntax, path_),
                                       0644);
    buffer_.reserve(kBufferSize);
}

TCommittedFile::~TCommittedFile() = default;

void TCommittedFile::Write(std::string_view bytes) {
    if (!file_) throw EFileError("Cannot write \"" + path_ + "\": it was closed after an earlier failure");
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        WriteOut(bytes);
    } else {
        buffer_.append(bytes);
    }
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
    Flush();
    try {
        file_->Replace(path_);
    } catch (...) {
        file_.reset();
        throw;
    }
    file_.reset();
}

}  // namespace tervaline::platform
