// Bulk searches of a stretch of window bytes for the first position where a
// block-header word can stand, so that the chain search need not take its
// positions one at a time where nothing can happen.
//
// Each function looks at Count positions and returns the index of the first
// one that holds, or Count when none does. Words are little-endian, as in
// the store. The caller guarantees that every 4-byte word it asks about is
// readable; nothing past the last such word is read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tervaline::engine {

// Positions at every byte: Bytes + i for i < Count (reads Count + 3 bytes).
std::size_t FindSizeWordAtAnyByte(const std::uint8_t* bytes, std::size_t count);

// As FindSizeWordAtAnyByte, and also the word 0x210 that a deleted block
// holds where a live one holds its size.
std::size_t FindHeaderWordAtAnyByte(const std::uint8_t* bytes, std::size_t count);

// Positions on a 4-byte grid: Bytes + 4k for k < Count (reads 4 * Count bytes).
std::size_t FindSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count);

// As FindSizeWordOnGrid, and also a word that equals its own file offset,
// where Bytes stands at file offset FirstOffset. Offsets do not wrap.
std::size_t FindSelfOrSizeWordOnGrid(const std::uint8_t* bytes, std::size_t count, std::uint32_t firstOffset);

// The same searches without vector instructions; the vector versions fall
// back on them for their tails and on targets without a vector unit.
std::size_t FindSizeWordAtAnyBytePortable(const std::uint8_t* bytes, std::size_t count);
std::size_t FindHeaderWordAtAnyBytePortable(const std::uint8_t* bytes, std::size_t count);
std::size_t FindSizeWordOnGridPortable(const std::uint8_t* bytes, std::size_t count);
std::size_t FindSelfOrSizeWordOnGridPortable(const std::uint8_t* bytes, std::size_t count,
                                             std::uint32_t firstOffset);

}  // namespace tervaline::engine
