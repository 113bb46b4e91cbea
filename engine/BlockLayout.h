// The parts of the mail store's file format that the scan relies on: the
// store signature and header size, and the 528-byte message data block.
// Every number in the store is a little-endian unsigned 32-bit integer.
#pragma once

#include <cstdint>
#include <cstring>

namespace tervaline::engine {

inline constexpr std::uint32_t kSignatureWord1 = 0xFE12ADCF;
inline constexpr std::uint32_t kSignatureWord2 = 0x6F74FDC5;  // a message store
inline constexpr std::uint32_t kStoreHeaderSize = 10964;       // 0x2AD4

inline constexpr std::uint32_t kBlockHeaderSize = 16;
inline constexpr std::uint32_t kBlockDataSize = 512;
inline constexpr std::uint32_t kBlockSize = kBlockHeaderSize + kBlockDataSize;  // 528

// Where the size word (always 512 in a message block) stands in a header.
inline constexpr std::uint32_t kSizeWordOffset = 4;

// A deleted block's header: Self, these two words, Next; its first data
// word then holds the block before it (see BlockIndex.h). The second word
// stands where a live header's length does.
inline constexpr std::uint32_t kDeletedWord1 = 0x1FC;
inline constexpr std::uint32_t kDeletedWord2 = 0x210;
inline constexpr std::uint32_t kDeletedWord2Offset = 8;
// What a deleted block's data gives up to the back pointer, and what the
// salvaged text holds in its place.
inline constexpr std::uint32_t kDeletedLostBytes = 4;

// The 16-byte header in front of each block's data.
struct TBlockHeader {
    std::uint32_t Self;  // file offset at which this header stands
    std::uint32_t Size;  // always 512 in a message block
    std::uint32_t Len;   // bytes of the data that belong to the message
    std::uint32_t Next;  // offset of the next block's header; 0 in the last
};

inline std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void WriteLE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Whether a block's Next says that its chain goes on: 0 ends a chain, and
// so does a Next that names the block itself, which a writer that never
// linked a successor leaves behind.
inline bool ChainGoesOn(std::uint32_t next, std::uint32_t self) { return next != 0 && next != self; }

inline TBlockHeader DecodeBlockHeader(const std::uint8_t* p) {
    return {ReadLE32(p), ReadLE32(p + 4), ReadLE32(p + 8), ReadLE32(p + 12)};
}

}  // namespace tervaline::engine
