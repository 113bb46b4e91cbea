#include "engine/FileWindow.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "engine/AssertionFailed.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

TFileWindow::TFileWindow(platform::TStoreSource& file, std::uint64_t fileSize, std::uint32_t bufferSize,
                         std::shared_ptr<TUnreadableAreas> unreadable)
    : file_(file),
      fileSize_(fileSize),
      bufferSize_(bufferSize),
      unreadable_(unreadable ? std::move(unreadable) : std::make_shared<TUnreadableAreas>()),
      rescue_(file, fileSize, *unreadable_),
      // The content is never read before a load fills it.
      buf_(std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize)) {
    assert(bufferSize > 0);
}

TFileWindow::~TFileWindow() = default;

std::unique_ptr<TFileWindow> TFileWindow::Sibling() const {
    return std::make_unique<TFileWindow>(file_, fileSize_, bufferSize_, unreadable_);
}

std::uint32_t TFileWindow::ReadFile(std::uint64_t offset, std::uint8_t* dest, std::uint32_t length) {
    // Bytes a store gained under the scan are not taken: the scan says at
    // its end that the size changed. Past the size it began with, a read
    // finds the end of the file, or fails as the file does, never taken for
    // an empty window.
    const std::uint64_t expected = offset < fileSize_ ? std::min<std::uint64_t>(length, fileSize_ - offset) : 0;
    if (expected == 0) {
        file_.ReadAt(offset, dest, length);
        return 0;
    }
    const std::size_t got = rescue_.Read(offset, dest, static_cast<std::size_t>(expected));
    // Every byte up to the size the scan began with must be there: a store
    // cut short under the scan would otherwise cost a read at every
    // position past its new end, and lose what lay there unsaid.
    if (got < expected) {
        throw platform::EFileError("The store \"" + file_.Path() + "\" changed size during the scan: it ends at byte " +
                                   std::to_string(offset + got) + " now, not at " + std::to_string(fileSize_));
    }
    return static_cast<std::uint32_t>(got);
}

void TFileWindow::Load(std::uint64_t offset) {
    base_ = offset;
    pos_ = 0;
    len_ = 0;  // a failed read below must not leave stale bytes valid
    len_ = ReadFile(offset, buf_.get(), bufferSize_);
    CheckInvariant();
}

void TFileWindow::Skip(std::uint64_t n) {
    if (pos_ + n > len_) {
        Load(Position() + n);
    } else {
        pos_ += static_cast<std::uint32_t>(n);
    }
    CheckInvariant();
}

void TFileWindow::Back(std::uint64_t n) {
    assert(n <= Position());
    if (n > pos_) {
        Load(Position() - n);
    } else {
        pos_ -= static_cast<std::uint32_t>(n);
    }
    CheckInvariant();
}

void TFileWindow::Peek(void* dest, std::uint32_t count) {
    if (count >= bufferSize_) throw EAssertionFailed(TCheck::ReadFitsBuffer);
    if (pos_ + static_cast<std::uint64_t>(count) > len_) Load(Position());
    // Zeros past the end of the file keep every block test false there.
    const std::uint32_t copied = std::min(count, Remaining());
    auto* out = static_cast<std::uint8_t*>(dest);
    std::memcpy(out, Cursor(), copied);
    std::memset(out + copied, 0, count - copied);
}

std::size_t TFileWindow::ReadAt(std::uint64_t offset, void* dest, std::size_t count, std::size_t wanted) {
    // Reads go through a buffer as large as the window's, so they ask for
    // less than it, as a peek does.
    if (count >= bufferSize_) throw EAssertionFailed(TCheck::ReadFitsBuffer);
    auto* out = static_cast<std::uint8_t*>(dest);
    if (offset >= base_ && offset - base_ + count <= len_) {
        std::memcpy(out, buf_.get() + (offset - base_), count);
        return count;
    }
    std::size_t got = 0;
    if (offset < fileSize_) {
        const bool inAhead = ahead_ && offset >= aheadBase_ && offset - aheadBase_ + count <= aheadLen_;
        if (!inAhead) {
            if (!ahead_) ahead_ = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize_);
            aheadBase_ = offset;
            aheadLen_ = 0;  // a failed read below must not leave stale bytes valid
            const auto length = static_cast<std::uint32_t>(std::clamp<std::size_t>(wanted, count, bufferSize_));
            aheadLen_ = ReadFile(offset, ahead_.get(), length);
        }
        got = std::min<std::size_t>(count, aheadLen_ - (offset - aheadBase_));
        std::memcpy(out, ahead_.get() + (offset - aheadBase_), got);
    }
    std::memset(out + got, 0, count - got);
    return got;
}

}  // namespace tervaline::engine
