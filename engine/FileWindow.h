// TFileWindow: the buffered window through which a scan reads the store.
//
// A cursor walks through the file; the window holds up to BufferSize bytes
// starting at Base and is refilled, starting at the byte needed, only when
// a request reaches past its valid bytes, so a forward scan reads the file
// about once. Bytes past the end of the file read as zeros, never as what an
// earlier read left behind. Blocks can also be read at any offset without
// moving the cursor (ReadAt), which carving uses. A window belongs to one
// thread; reads through windows of the same file on several threads are
// safe. The window reads past sectors the disk cannot read (TRescueRead):
// they stand as zeros, and Unreadable says where they are, so that no one
// takes them for data.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/CarvedMessage.h"
#include "engine/RescueRead.h"
#include "engine/UnreadableAreas.h"

namespace tervaline::platform {
class TStoreSource;
}

namespace tervaline::engine {

class TFileWindow {
public:
    // File must outlive the window. BufferSize must be positive. The cursor
    // starts at offset 0 with no valid bytes. The areas the window cannot
    // read go into Unreadable, or into a list of its own when none is given.
    TFileWindow(platform::TStoreSource& file, std::uint64_t fileSize, std::uint32_t bufferSize,
                std::shared_ptr<TUnreadableAreas> unreadable = nullptr);
    ~TFileWindow();
    TFileWindow(const TFileWindow&) = delete;
    TFileWindow& operator=(const TFileWindow&) = delete;

    // A window of its own over the same file, as large as this one and
    // listing into the same unreadable areas, for reading another part of
    // the file on another thread.
    std::unique_ptr<TFileWindow> Sibling() const;

    std::uint64_t FileSize() const { return fileSize_; }
    std::uint32_t BufferSize() const { return bufferSize_; }

    // The areas of the file no window over it could read so far, and the
    // parts of Length bytes at Offset among them.
    const TUnreadableAreas& Unreadable() const { return *unreadable_; }
    std::vector<TByteRange> UnreadableIn(std::uint64_t offset, std::uint64_t length) const {
        return unreadable_->Within(offset, length);
    }

    // Restarts the window at Offset with as many bytes as the file has
    // there (none beyond its end); the cursor stands at Offset.
    void Load(std::uint64_t offset);

    std::uint64_t Position() const { return base_ + pos_; }
    std::uint64_t Base() const { return base_; }
    std::uint32_t Len() const { return len_; }

    // Moves the cursor on; a move past the valid bytes restarts the window
    // at the new position, one that lands exactly on their end does not.
    void Skip(std::uint64_t n);
    // Moves the cursor back; a move before the window restarts it there.
    void Back(std::uint64_t n);
    // Copies Count bytes from the cursor, first restarting the window at the
    // cursor when they are not all valid. Count must be less than the buffer
    // (TCheck::ReadFitsBuffer). The cursor does not move.
    void Peek(void* dest, std::uint32_t count);

    // The valid bytes from the cursor on, for searches that look at many
    // positions without copying each.
    const std::uint8_t* Cursor() const { return buf_.get() + pos_; }
    std::uint32_t Remaining() const { return len_ - pos_; }
    // Moves the cursor within the valid bytes.
    void Advance(std::uint32_t n) {
        assert(n <= Remaining());
        pos_ += n;
    }

    // Reads Count bytes at Offset and returns how many of them lie in the
    // file (unreadable ones among them, as zeros); the rest of Dest is
    // zeroed. Bytes come from the window when all
    // of them lie in it, else from a read-ahead buffer of the same size that
    // is refilled at Offset when needed, with Wanted bytes (at least Count,
    // at most the buffer) when the caller knows how much it will read
    // there. Count must be less than the buffer (TCheck::ReadFitsBuffer). The cursor
    // does not move.
    std::size_t ReadAt(std::uint64_t offset, void* dest, std::size_t count, std::size_t wanted = SIZE_MAX);

private:
    // Fills Dest with up to Length bytes from Offset, none past the size
    // the scan began with; raises when the file has fewer bytes there than
    // it had then, or the reads have given up.
    std::uint32_t ReadFile(std::uint64_t offset, std::uint8_t* dest, std::uint32_t length);

    void CheckInvariant() const {
        // What every operation leaves: the cursor within the valid bytes,
        // and those within the buffer.
        assert(pos_ <= len_ && len_ <= bufferSize_);
    }

    platform::TStoreSource& file_;
    const std::uint64_t fileSize_;
    const std::uint32_t bufferSize_;
    const std::shared_ptr<TUnreadableAreas> unreadable_;
    TRescueRead rescue_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::uint64_t base_ = 0;
    std::uint32_t pos_ = 0;
    std::uint32_t len_ = 0;

    // Made on the first read outside the window.
    std::unique_ptr<std::uint8_t[]> ahead_;
    std::uint64_t aheadBase_ = 0;
    std::uint32_t aheadLen_ = 0;
};

}  // namespace tervaline::engine
