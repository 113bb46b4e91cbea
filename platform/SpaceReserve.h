// TSpaceReserve: room on a disk held by a hidden file of its own, so that
// what must be written last (a report of what became of everything before
// it) still fits once the disk has filled up: the room is given back just
// before that last write.
#pragma once

#include <cstdint>
#include <string>

#include "platform/NativeHandle.h"

namespace tervaline::platform {

class TSpaceReserve {
public:
    // Holds nothing until Hold is called; Path is the file that holds the
    // room, made on first use.
    explicit TSpaceReserve(std::string path);
    // Gives the room back.
    ~TSpaceReserve();
    TSpaceReserve(const TSpaceReserve&) = delete;
    TSpaceReserve& operator=(const TSpaceReserve&) = delete;

    // Makes sure at least Bytes are held. False when the disk has no room
    // for more (what is held stays held); raises nothing.
    bool Hold(std::uint64_t bytes) noexcept;
    std::uint64_t Held() const { return held_; }
    // Removes the file, giving the room back.
    void Release() noexcept;

private:
    std::string path_;
    TNativeHandle handle_ = kNoHandle;
    std::uint64_t held_ = 0;
};

}  // namespace tervaline::platform
