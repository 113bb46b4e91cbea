#include "engine/RescueRead.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace tervaline::engine {

TRescueRead::TRescueRead(platform::TStoreSource& file, std::uint64_t fileSize, TUnreadableAreas& areas)
    : file_(file), fileSize_(fileSize), areas_(areas), sector_(file.SectorSize()) {}

void TRescueRead::Lose(std::uint64_t at, std::uint8_t* dest, std::size_t count, const platform::EFileError& error) {
    std::memset(dest, 0, count);
    // A disk fails whole sectors: the rest of this one is no more readable
    // than the bytes asked for.
    const std::uint64_t first = at / sector_ * sector_;
    const std::uint64_t last = std::min(fileSize_, first + sector_);
    const std::string reason = error.Reason().empty() ? std::string(error.what()) : error.Reason();
    areas_.Add(first, last - first, reason);
    if (!failing_) failingFrom_ = at;
    failing_ = true;
    if (areas_.Failed(count) >= kGiveUpBytes) {
        throw platform::EFileError("Gave up reading \"" + file_.Path() + "\": " + std::to_string(kGiveUpBytes >> 20) +
                                       " MiB in a row could not be read, from byte " +
                                       std::to_string(failingFrom_) + " on (" + reason +
                                       "); the disk may have gone away",
                                   error.Error(), reason);
    }
}

std::size_t TRescueRead::Read(std::uint64_t offset, std::uint8_t* dest, std::size_t length) {
    const std::uint64_t end = offset + length;
    std::uint64_t at = offset;
    // How much to ask for at At: all that is left, until a read fails.
    std::uint64_t span = length;
    while (at < end) {
        span = std::min(span, end - at);
        std::uint8_t* out = dest + (at - offset);
        // A sector known to be bad is not read again: a failing disk may
        // take seconds over each read of one.
        if (const std::vector<TByteRange> known = areas_.Within(at, span); !known.empty()) {
            if (known.front().Offset > at) {
                span = known.front().Offset - at;
            } else {
                const std::uint64_t skip = known.front().Length;
                std::memset(out, 0, static_cast<std::size_t>(skip));
                at += skip;
                span = end - at;
                continue;
            }
        }
        try {
            const std::size_t got = file_.ReadAt(at, out, static_cast<std::size_t>(span));
            failing_ = false;
            areas_.Succeeded();
            at += got;
            if (got < span) break;  // the end of the file
            span = end - at;
        } catch (const platform::EFileError& error) {
            const std::uint64_t sectorEnd = (at / sector_ + 1) * sector_;
            if (at + span <= sectorEnd) {
                Lose(at, out, static_cast<std::size_t>(span), error);
                at += span;
                // Past a bad sector the next is tried alone: a failing
                // stretch costs one read a sector, not two.
                span = sector_;
            } else if (failing_) {
                span = sectorEnd - at;
            } else {
                // A single bad sector among good ones is found by halving.
                span = std::max(sectorEnd, (at + span / 2) / sector_ * sector_) - at;
            }
        }
    }
    return static_cast<std::size_t>(at - offset);
}

}  // namespace tervaline::engine
