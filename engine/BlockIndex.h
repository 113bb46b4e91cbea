// TBlockIndex: every plausible block header in a file, found in one pass at
// any byte alignment, in both the live form and the form the mail program
// leaves behind when it deletes a message. It keeps per header only what
// following the chains needs, and is sorted by position.
//
// Live form:    Self, 512, Len (at most 512), Next.
// Deleted form: Self, 0x1FC, 0x210, Next; the first data word then holds the
//               offset of the previous block, so four data bytes are lost.
// In both, Next is 0 or lies outside the block itself.
//
// The same pass notes where an item record of the store may stand: a word
// at a position divisible by four that names that position, followed by
// a length and a field count a record could have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace tervaline::engine {

class TFileWindow;
class TProgressMeter;
class TScanStop;

enum class TBlockForm : std::uint8_t { Live, Deleted };

struct TIndexedHeader {
    std::uint64_t Position;
    std::uint32_t Self;
    std::uint32_t Len;  // Live: the data bytes in use; Deleted: not recorded
    std::uint32_t Next;
    TBlockForm Form;
    std::uint8_t Marks;  // left to the chain linker

    // Where the store that holds this header begins: its position less the
    // position it records for itself.
    std::int64_t Delta() const { return static_cast<std::int64_t>(Position) - Self; }
};

// The index's share of memory is at most this per header found.
static_assert(sizeof(TIndexedHeader) <= 24);

class TBlockIndex {
public:
    // Reads the file from From to its end and records every plausible
    // header, reporting progress through Progress on this thread as it goes.
    // A file of several SegmentBytes is split into segments of at least that
    // size, each read on a thread of its own through a window like Window,
    // up to one per processor. Returns false when a stop ended the pass
    // first (the index then holds part of the file).
    bool Build(TFileWindow& window, std::uint64_t from, TProgressMeter& progress, const TScanStop& stop,
               std::uint64_t segmentBytes = kSegmentBytes);

    // Below this, splitting the pass costs more than it gains.
    static constexpr std::uint64_t kSegmentBytes = 32ull << 20;
    static constexpr std::uint64_t kMaxSegments = 8;

    std::size_t Size() const { return headers_.size(); }
    TIndexedHeader& operator[](std::size_t i) { return headers_[i]; }
    const TIndexedHeader& operator[](std::size_t i) const { return headers_[i]; }

    // The header that stands at Position, if any. Hint is where it is
    // likely to be: a block's successor most often stands right behind it.
    std::optional<std::size_t> FindAt(std::uint64_t position, std::size_t hint = 0) const;

    // The header of the given form at the start of 16 bytes, if they hold
    // one; Position is where they stand in the file.
    static std::optional<TIndexedHeader> Recognise(const std::uint8_t* bytes, std::uint64_t position,
                                                   TBlockForm form);

    // The positions where an item record may stand, in order.
    const std::vector<std::uint64_t>& RecordMarks() const { return marks_; }

private:
    std::vector<std::uint64_t> marks_;
    // A deque grows without copying what it holds, so a pass over a file
    // thick with headers never needs twice their room.
    std::deque<TIndexedHeader> headers_;
};

}  // namespace tervaline::engine
