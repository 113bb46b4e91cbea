#include "engine/BlockIndex.h"

#include <algorithm>
#include <cstring>
#include <atomic>
#include <bit>
#include <cassert>
#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/BlockLayout.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"
#include "engine/WordSearch.h"
#include "engine/records/ItemRecord.h"

namespace tervaline::engine {

namespace {

// Both forms hold a word whose second byte is 0x02, which text and zeroed
// stretches almost never do: the pass looks for those words and tests the
// header each would belong to.
constexpr std::uint32_t kLiveWordOffset = kSizeWordOffset;         // the size word 00 02 00 00
constexpr std::uint32_t kDeletedWordOffset = kDeletedWord2Offset;  // the word 10 02 00 00

}  // namespace

std::optional<TIndexedHeader> TBlockIndex::Recognise(const std::uint8_t* bytes, std::uint64_t position,
                                                     TBlockForm form) {
    const TBlockHeader h = DecodeBlockHeader(bytes);
    if (form == TBlockForm::Live) {
        if (h.Size != kBlockDataSize || h.Len > kBlockDataSize) return std::nullopt;
    } else if (h.Size != kDeletedWord1 || h.Len != kDeletedWord2) {
        return std::nullopt;
    }
    const std::uint64_t self = h.Self;
    // A Next that names the block itself ends its chain there; one into the
    // block's own bytes is no header's.
    const std::uint32_t next = ChainGoesOn(h.Next, h.Self) ? h.Next : 0;
    if (next != 0 && next > self && next < self + kBlockSize) return std::nullopt;
    const std::uint32_t len = form == TBlockForm::Live ? h.Len : kBlockDataSize;
    return TIndexedHeader{position, h.Self, len, next, form, 0};
}

namespace {

// Notes in Marks where a record may begin among the first Last of the N
// bytes at Bytes, which stand at Base in the file. Records name offsets of
// 32 bits, and stand where they say only in a file that is the store
// itself. The words are compared a run at a time without a branch, which
// the compiler turns into vector compares: marks are rare, and the pass
// must stay as fast as the header search beside it.
void FindRecordMarks(const std::uint8_t* bytes, std::size_t n, std::uint64_t base, std::uint64_t last,
                     std::vector<std::uint64_t>& marks) {
    constexpr std::size_t kRun = 16;
    // A record holds at least its head and one field, as many bytes as a
    // block header: tested where a header would be, each position once
    // however the windows overlap.
    static_assert(TItemRecord::kHeadSize + 4 == kBlockHeaderSize);
    if (n < kBlockHeaderSize || base > UINT32_MAX) return;
    const std::size_t end =
        static_cast<std::size_t>(std::min<std::uint64_t>({last, n - kBlockHeaderSize + 1, UINT32_MAX - base + 1}));
    const auto test = [&](std::size_t p) {
        if (ReadLE32(bytes + p) == static_cast<std::uint32_t>(base + p) && TItemRecord::MayBegin(bytes + p)) {
            marks.push_back(base + p);
        }
    };
    std::size_t p = static_cast<std::size_t>((4 - base % 4) % 4);
    // Words read as they lie in memory match the store's only on a
    // little-endian machine; elsewhere every word takes the careful test.
    for (; std::endian::native == std::endian::little && p + 4 * kRun <= end; p += 4 * kRun) {
        const auto first = static_cast<std::uint32_t>(base + p);
        std::uint32_t any = 0;
        for (std::size_t k = 0; k < kRun; ++k) {
            std::uint32_t word;
            std::memcpy(&word, bytes + p + 4 * k, 4);
            any |= static_cast<std::uint32_t>(word == first + 4 * static_cast<std::uint32_t>(k));
        }
        if (any == 0) continue;
        for (std::size_t k = 0; k < kRun; ++k) test(p + 4 * k);
    }
    for (; p < end; p += 4) test(p);
}

// Finds the headers that begin in [From, To) through Window, in position
// order, adding the bytes it has passed to Done and calling Passed after
// each window. Returns false when a stop ended it first.
bool IndexSegment(TFileWindow& window, std::uint64_t from, std::uint64_t to, std::deque<TIndexedHeader>& found,
                  std::vector<std::uint64_t>& marks, std::atomic<std::uint64_t>& done, const TScanStop& stop, const std::function<void()>& passed) {
    window.Load(from);
    for (;;) {
        const std::uint64_t base = window.Position();
        const std::uint8_t* bytes = window.Cursor();
        const std::uint32_t n = window.Remaining();
        // A header at P is tested here when all its 16 bytes are valid and
        // it begins in the segment.
        const std::uint64_t last = std::min<std::uint64_t>(n, to - base);
        const auto test = [&](std::size_t word, std::uint32_t offset, TBlockForm form) {
            if (word < offset || word - offset + kBlockHeaderSize > n || word - offset >= last) return;
            const std::size_t p = word - offset;
            if (auto h = TBlockIndex::Recognise(bytes + p, base + p, form)) found.push_back(*h);
        };
        const std::size_t words = n >= 4 ? n - 3 : 0;
        for (std::size_t at = 0; at < words;) {
            at += FindHeaderWordAtAnyByte(bytes + at, words - at);
            if (at == words) break;
            if (bytes[at] == 0) {
                test(at, kLiveWordOffset, TBlockForm::Live);
            } else {
                test(at, kDeletedWordOffset, TBlockForm::Deleted);
            }
            ++at;
        }
        FindRecordMarks(bytes, n, base, last, marks);
        // The next window begins where the first header not yet tested
        // would, so that each position is tested exactly once.
        const std::uint64_t next = base + n - (kBlockHeaderSize - 1);
        // A window shorter than the buffer ends at the end of the file: no
        // header can begin in its last 15 bytes.
        const bool end = n < window.BufferSize() || n < kBlockHeaderSize || next >= to;
        done.fetch_add(end ? to - base : next - base, std::memory_order_relaxed);
        if (passed) passed();
        if (end) break;
        if (stop.SearchStopped()) return false;
        window.Load(next);
    }
    // Both forms are looked for at once, so a deleted header can be found
    // a few bytes after a live one that stands behind it.
    std::sort(found.begin(), found.end(),
              [](const TIndexedHeader& a, const TIndexedHeader& b) { return a.Position < b.Position; });
    return true;
}

// Leaves out the headers of blocks whose header or data in use lie partly
// in Areas (sorted, disjoint), which no read could get: such a block's words
// cannot be trusted, and the chain that leads to it ends there, as at a
// broken block.
void DropUnreadable(std::deque<TIndexedHeader>& headers, const std::vector<TUnreadableArea>& areas) {
    if (areas.empty()) return;
    std::size_t area = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const TIndexedHeader& h = headers[i];
        while (area < areas.size() && areas[area].Offset + areas[area].Length <= h.Position) ++area;
        const bool unreadable = area < areas.size() && areas[area].Offset < h.Position + kBlockHeaderSize + h.Len;
        if (!unreadable) headers[kept++] = h;
    }
    headers.resize(kept);
}

}  // namespace

bool TBlockIndex::Build(TFileWindow& window, std::uint64_t from, TProgressMeter& progress, const TScanStop& stop,
                        std::uint64_t segmentBytes) {
    const std::uint64_t end = std::max(window.FileSize(), from);
    // Reading and searching take processor time (copying out of the page
    // cache most of all), so a large file is split among the processors.
    const std::uint64_t processors = std::max(1u, std::thread::hardware_concurrency());
    const std::uint64_t wanted = segmentBytes == 0 ? 1 : (end - from) / segmentBytes;
    const std::uint64_t parts = std::clamp<std::uint64_t>(wanted, 1, std::min<std::uint64_t>(processors, kMaxSegments));
    std::vector<std::uint64_t> bounds;
    for (std::uint64_t k = 0; k <= parts; ++k) bounds.push_back(from + (end - from) / parts * k);
    bounds.back() = end;

    std::vector<std::deque<TIndexedHeader>> found(parts);
    std::vector<std::vector<std::uint64_t>> marks(parts);
    std::vector<std::exception_ptr> failures(parts);
    std::vector<char> finished(parts, 0);
    std::atomic<std::uint64_t> done{0};
    // This thread reports the progress of them all, so that the receivers
    // of progress hear from the search's thread alone.
    const std::function<void()> report = [&] { progress.Reach(from + done.load(std::memory_order_relaxed)); };
    const auto run = [&](TFileWindow& w, std::size_t k) {
        try {
            finished[k] = IndexSegment(w, bounds[k], bounds[k + 1], found[k], marks[k], done, stop, k == 0 ? report : nullptr)
                              ? 1
                              : 0;
        } catch (...) {
            failures[k] = std::current_exception();
        }
    };
    std::vector<std::unique_ptr<TFileWindow>> windows;
    std::vector<std::thread> threads;
    for (std::size_t k = 1; k < parts; ++k) {
        windows.push_back(window.Sibling());
        try {
            threads.emplace_back(run, std::ref(*windows.back()), k);
        } catch (const std::system_error&) {
            run(*windows.back(), k);  // no thread to be had: this one does it
        }
    }
    run(window, 0);
    for (std::thread& t : threads) t.join();
    report();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    const std::vector<TUnreadableArea> unreadable = window.Unreadable().List();
    for (std::deque<TIndexedHeader>& segment : found) DropUnreadable(segment, unreadable);
    for (const std::vector<std::uint64_t>& segment : marks) marks_.insert(marks_.end(), segment.begin(), segment.end());
    // Moved segment by segment and freed as it goes, so the index never
    // needs twice its room.
    for (std::deque<TIndexedHeader>& segment : found) {
        while (!segment.empty()) {
            headers_.push_back(segment.front());
            segment.pop_front();
        }
    }
    assert(std::is_sorted(headers_.begin(), headers_.end(),
                          [](const TIndexedHeader& a, const TIndexedHeader& b) { return a.Position < b.Position; }));
    return std::all_of(finished.begin(), finished.end(), [](char f) { return f != 0; });
}

std::optional<std::size_t> TBlockIndex::FindAt(std::uint64_t position, std::size_t hint) const {
    if (hint < headers_.size() && headers_[hint].Position == position) return hint;
    const auto it = std::lower_bound(headers_.begin(), headers_.end(), position,
                                     [](const TIndexedHeader& h, std::uint64_t p) { return h.Position < p; });
    if (it == headers_.end() || it->Position != position) return std::nullopt;
    return static_cast<std::size_t>(it - headers_.begin());
}

}  // namespace tervaline::engine
