#include "engine/BlockIndex.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "engine/BlockLayout.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"

namespace tervaline::engine {

namespace {

constexpr std::uint32_t kDeletedWord1 = 0x1FC;
constexpr std::uint32_t kDeletedWord2 = 0x210;

// Both forms hold a byte 0x02 as the second byte of a word, which text and
// zeroed stretches almost never do: the pass looks for that byte and tests
// the header it would belong to.
constexpr std::uint32_t kLiveRareByte = 5;     // in the size word 00 02 00 00 at +4
constexpr std::uint32_t kDeletedRareByte = 9;  // in the word 10 02 00 00 at +8

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
    if (h.Next != 0 && h.Next >= self && h.Next < self + kBlockSize) return std::nullopt;
    const std::uint32_t len = form == TBlockForm::Live ? h.Len : kBlockDataSize;
    return TIndexedHeader{position, h.Self, len, h.Next, form, 0};
}

bool TBlockIndex::Build(TFileWindow& window, std::uint64_t from, TProgressMeter& progress, const TScanStop& stop) {
    window.Load(from);
    for (;;) {
        const std::uint64_t base = window.Position();
        const std::uint8_t* bytes = window.Cursor();
        const std::uint32_t n = window.Remaining();
        // A header at P is tested here when all its 16 bytes are valid.
        const auto test = [&](std::uint32_t j, std::uint32_t rare, TBlockForm form) {
            if (j < rare || j - rare + kBlockHeaderSize > n) return;
            const std::uint32_t p = j - rare;
            if (auto h = Recognise(bytes + p, base + p, form)) headers_.push_back(*h);
        };
        for (const std::uint8_t* hit = bytes; n > 0;) {
            hit = static_cast<const std::uint8_t*>(std::memchr(hit, 0x02, static_cast<std::size_t>(bytes + n - hit)));
            if (hit == nullptr) break;
            const auto j = static_cast<std::uint32_t>(hit - bytes);
            test(j, kLiveRareByte, TBlockForm::Live);
            test(j, kDeletedRareByte, TBlockForm::Deleted);
            ++hit;
        }
        reached_ = base + n;
        progress.Reach(base + n);
        // A window shorter than the buffer ends at the end of the file: no
        // header can begin in its last 15 bytes.
        if (n < window.BufferSize() || n < kBlockHeaderSize) break;
        if (stop.SearchStopped()) return false;
        // The next window begins where the first header not yet tested
        // would, so that each position is tested exactly once.
        window.Load(base + n - (kBlockHeaderSize - 1));
    }
    std::sort(headers_.begin(), headers_.end(),
              [](const TIndexedHeader& a, const TIndexedHeader& b) { return a.Position < b.Position; });
    return true;
}

std::optional<std::size_t> TBlockIndex::FindAt(std::uint64_t position) const {
    const auto it = std::lower_bound(headers_.begin(), headers_.end(), position,
                                     [](const TIndexedHeader& h, std::uint64_t p) { return h.Position < p; });
    if (it == headers_.end() || it->Position != position) return std::nullopt;
    return static_cast<std::size_t>(it - headers_.begin());
}

}  // namespace tervaline::engine
