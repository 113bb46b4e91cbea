// TRescueRead: how a scan reads its store off a failing disk, as disk-rescue
// tools do. A read that fails is tried again in smaller pieces, down to one
// sector; the sectors that still fail are listed as unreadable with the
// system's reason and stand as zeros in what was read, which the caller must
// not take for data, and are not read again. A disk that fails every read
// (one that went away) ends the scan once kGiveUpBytes in a row could not be
// read, anywhere in the store, instead of trying every sector it has.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/UnreadableAreas.h"

namespace tervaline::platform {
class EFileError;
class TStoreSource;
}  // namespace tervaline::platform

namespace tervaline::engine {

class TRescueRead {
public:
    static constexpr std::uint64_t kGiveUpBytes = 64ull << 20;

    // File and Areas must outlive the reader; the bytes of File end at
    // FileSize.
    TRescueRead(platform::TStoreSource& file, std::uint64_t fileSize, TUnreadableAreas& areas);

    // Fills Dest with Length bytes from Offset, fewer only where the file
    // ends first, and answers how many; the unreadable ones among them are
    // zeros, listed in Areas. Raises EFileError once the reads have given
    // up.
    std::size_t Read(std::uint64_t offset, std::uint8_t* dest, std::size_t length);

private:
    // Zeros Count bytes at At, lists their sector as unreadable, and gives
    // up when the failures in a row have come to kGiveUpBytes.
    void Lose(std::uint64_t at, std::uint8_t* dest, std::size_t count, const platform::EFileError& error);

    platform::TStoreSource& file_;
    const std::uint64_t fileSize_;
    TUnreadableAreas& areas_;
    const std::uint64_t sector_;
    // Where this reader's present run of failures began.
    std::uint64_t failingFrom_ = 0;
    bool failing_ = false;
};

}  // namespace tervaline::engine
