// The vector searches use SSE2, which every x86-64 processor has; other
// targets take the portable versions. Both look for the rare byte 0x02 of
// the size word (bytes 00 02 00 00) or compare whole words, 64 bytes per
// round, and confirm a candidate exactly before reporting it.
#include "engine/WordSearch.h"

#include <cstring>

#include "engine/BlockLayout.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tervaline::engine {

namespace {

// The byte tests below spell these two words out.
static_assert(kBlockDataSize == 0x200 && kDeletedWord2 == 0x210);

inline bool IsSizeWordAt(const std::uint8_t* p) { return p[1] == 0x02 && p[0] == 0 && p[2] == 0 && p[3] == 0; }

// The size word, or the word 0x210 a deleted block holds in its place.
inline bool IsHeaderWordAt(const std::uint8_t* p) {
    return p[1] == 0x02 && (p[0] == 0 || p[0] == 0x10) && p[2] == 0 && p[3] == 0;
}

using TConfirm = bool (*)(const std::uint8_t*);

// Positions at every byte whose word has 0x02 for its second byte and
// passes Confirm.
template <TConfirm Confirm>
std::size_t FindRareWordPortable(const std::uint8_t* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count) {
        // The second byte of the word is the rare one: text and zeroed
        // stretches never hold it.
        const void* hit = std::memchr(bytes + i + 1, 0x02, count - i);
        if (!hit) return count;
        i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes) - 1;
        if (Confirm(bytes + i)) return i;
        ++i;
    }
    return count;
}

#if defined(__SSE2__)
inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
#endif

}  // namespace

std::size_t FindSizeWordAtAnyBytePortable(const std::uint8_t* bytes, std::size_t count) {
    return FindRareWordPortable<IsSizeWordAt>(bytes, count);
}

std::size_t FindHeaderWordAtAnyBytePortable(const std::uint8_t* bytes, std::size_t count) {
    return FindRareWordPortable<IsHeaderWordAt>(bytes, count);
}

std::size_t FindSizeWordOnGridPortable(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        if (ReadLE32(bytes + 4 * k) == kBlockDataSize) return k;
    }
    return count;
}

std::size_t FindSelfOrSizeWordOnGridPortable(const std::uint8_t* bytes, std::size_t count,
                                             std::uint32_t firstOffset) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t v = ReadLE32(bytes + 4 * k);
        if (v == kBlockDataSize || v == firstOffset + 4 * static_cast<std::uint32_t>(k)) return k;
    }
    return count;
}

#if defined(__SSE2__)

namespace {

template <TConfirm Confirm>
std::size_t FindRareWord(const std::uint8_t* bytes, std::size_t count) {
    const __m128i two = _mm_set1_epi8(0x02);
    std::size_t i = 0;
    // A round covers positions i .. i+63 and reads bytes up to i+64, within
    // the Count + 3 readable bytes; the few candidates it marks are then
    // confirmed one by one.
    for (; i + 64 <= count; i += 64) {
        const std::uint8_t* p = bytes + i;
        const __m128i a = _mm_cmpeq_epi8(Load(p + 1), two);
        const __m128i b = _mm_cmpeq_epi8(Load(p + 17), two);
        const __m128i c = _mm_cmpeq_epi8(Load(p + 33), two);
        const __m128i d = _mm_cmpeq_epi8(Load(p + 49), two);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
        std::uint64_t marks = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(a))) |
                              static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(b))) << 16 |
                              static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(c))) << 32 |
                              static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(d))) << 48;
        while (marks != 0) {
            const auto j = static_cast<std::size_t>(__builtin_ctzll(marks));
            if (Confirm(p + j)) return i + j;
            marks &= marks - 1;
        }
    }
    const std::size_t rest = FindRareWordPortable<Confirm>(bytes + i, count - i);
    return i + rest;
}

}  // namespace

std::size_t FindSizeWordAtAnyByte(const std::uint8_t* bytes, std::size_t count) {
    return FindRareWord<IsSizeWordAt>(bytes, count);
}

std::size_t FindHeaderWordAtAnyByte(const std::uint8_t* bytes, std::size_t count) {
    return FindRareWord<IsHeaderWordAt>(bytes, count);
}

// Index (0 to 15) of the first of sixteen words whose comparison lanes A to
// D mark, in order; 16 when none does.
inline std::size_t FirstWordHit(__m128i a, __m128i b, __m128i c, __m128i d) {
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) return 16;
    const unsigned masks[4] = {static_cast<unsigned>(_mm_movemask_epi8(a)), static_cast<unsigned>(_mm_movemask_epi8(b)),
                               static_cast<unsigned>(_mm_movemask_epi8(c)), static_cast<unsigned>(_mm_movemask_epi8(d))};
    for (std::size_t j = 0; j < 4; ++j) {
        if (masks[j] != 0) return 4 * j + static_cast<std::size_t>(__builtin_ctz(masks[j])) / 4;
    }
    return 16;
}

std::size_t FindSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count) {
    const __m128i size = _mm_set1_epi32(static_cast<int>(kBlockDataSize));
    std::size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const std::uint8_t* p = bytes + 4 * k;
        const __m128i a = _mm_cmpeq_epi32(Load(p), size);
        const __m128i b = _mm_cmpeq_epi32(Load(p + 16), size);
        const __m128i c = _mm_cmpeq_epi32(Load(p + 32), size);
        const __m128i d = _mm_cmpeq_epi32(Load(p + 48), size);
        const std::size_t hit = FirstWordHit(a, b, c, d);
        if (hit < 16) return k + hit;
    }
    return k + FindSizeWordOnGridPortable(bytes + 4 * k, count - k);
}

std::size_t FindSelfOrSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count, std::uint32_t firstOffset) {
    const __m128i size = _mm_set1_epi32(static_cast<int>(kBlockDataSize));
    const __m128i stride = _mm_set1_epi32(64);
    const auto at = [](std::uint32_t v) { return static_cast<int>(v); };
    __m128i offsets = _mm_setr_epi32(at(firstOffset), at(firstOffset + 4), at(firstOffset + 8), at(firstOffset + 12));
    const __m128i o16 = _mm_set1_epi32(16);
    const __m128i o32 = _mm_set1_epi32(32);
    const __m128i o48 = _mm_set1_epi32(48);
    std::size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const std::uint8_t* p = bytes + 4 * k;
        const __m128i wa = Load(p);
        const __m128i wb = Load(p + 16);
        const __m128i wc = Load(p + 32);
        const __m128i wd = Load(p + 48);
        const __m128i a = _mm_or_si128(_mm_cmpeq_epi32(wa, size), _mm_cmpeq_epi32(wa, offsets));
        const __m128i b = _mm_or_si128(_mm_cmpeq_epi32(wb, size), _mm_cmpeq_epi32(wb, _mm_add_epi32(offsets, o16)));
        const __m128i c = _mm_or_si128(_mm_cmpeq_epi32(wc, size), _mm_cmpeq_epi32(wc, _mm_add_epi32(offsets, o32)));
        const __m128i d = _mm_or_si128(_mm_cmpeq_epi32(wd, size), _mm_cmpeq_epi32(wd, _mm_add_epi32(offsets, o48)));
        offsets = _mm_add_epi32(offsets, stride);
        const std::size_t hit = FirstWordHit(a, b, c, d);
        if (hit < 16) return k + hit;
    }
    return k + FindSelfOrSizeWordOnGridPortable(bytes + 4 * k, count - k,
                                                firstOffset + 4 * static_cast<std::uint32_t>(k));
}

#else

std::size_t FindSizeWordAtAnyByte(const std::uint8_t* bytes, std::size_t count) {
    return FindSizeWordAtAnyBytePortable(bytes, count);
}

std::size_t FindHeaderWordAtAnyByte(const std::uint8_t* bytes, std::size_t count) {
    return FindHeaderWordAtAnyBytePortable(bytes, count);
}

std::size_t FindSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count) {
    return FindSizeWordOnGridPortable(bytes, count);
}

std::size_t FindSelfOrSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count, std::uint32_t firstOffset) {
    return FindSelfOrSizeWordOnGridPortable(bytes, count, firstOffset);
}

#endif

}  // namespace tervaline::engine
