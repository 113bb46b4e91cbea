// TStoreBuilder: writes mail stores in the block format the scan reads, so
// that tests, benchmarks and the bundled sample share one way of making
// them, healthy or damaged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervaline::tools {

// One block as it will stand in the file: a header and up to 512 data bytes
// (the rest of the data area is padding).
struct TBlockSpec {
    std::uint32_t Self = 0;
    std::uint32_t Size = 512;
    std::uint32_t Len = 0;
    std::uint32_t Next = 0;
    std::string Data;
    std::uint8_t Padding = 0;
};

class TStoreBuilder {
public:
    // A signed store starts with the 10964-byte store header.
    explicit TStoreBuilder(bool signedStore = true);

    // Offset at which the next piece will stand.
    std::uint32_t End() const { return static_cast<std::uint32_t>(bytes_.size()); }

    // The blocks of a contiguous chain holding Text, as it would stand at
    // Start: full blocks linked to their successors, then a last block with
    // fewer than 512 bytes and Next 0. Text of a multiple of 512 bytes ends
    // in a full last block with Next 0, as a real store writes it.
    static std::vector<TBlockSpec> ChainBlocks(std::uint32_t start, std::string_view text);

    // The blocks of a chain holding Text whose k-th block stands at
    // Selves[k], each linked to the next wherever it lies, as a store that
    // was grown and compacted keeps some messages. Selves must name one
    // position per block the text needs.
    static std::vector<TBlockSpec> ChainBlocksAt(const std::vector<std::uint32_t>& selves, std::string_view text);

    // Blocks as the mail program leaves them when it deletes their message:
    // the size and length words become 0x1FC and 0x210, and the first data
    // word holds the previous block's offset (0 in the first block).
    static void MarkDeleted(std::vector<TBlockSpec>& blocks);
    // The text an undelete gets back from a deleted message that held Text:
    // the first four bytes of each block lost (shown as "-"), and the
    // zeros the last block ends in dropped.
    static std::string UndeletedText(std::string_view text);

    // Appends a healthy chain holding Text; returns its start offset.
    std::uint32_t AddMessage(std::string_view text);

    // Appends blocks exactly as given (Self is not adjusted).
    void AddBlocks(const std::vector<TBlockSpec>& blocks);

    void AddBytes(std::string_view bytes);
    void AddZeros(std::size_t count);
    // Pseudo-random bytes from Seed; they never form a block header.
    void AddNoise(std::size_t count, std::uint64_t seed);
    // Pads with zeros up to a multiple of Alignment.
    void Align(std::uint32_t alignment);

    // Overwrites bytes at Offset (which must lie inside the store).
    void Patch(std::uint32_t offset, std::string_view bytes);
    void PatchLE32(std::uint32_t offset, std::uint32_t value);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::string Str() const { return std::string(bytes_.begin(), bytes_.end()); }
    void WriteTo(const std::string& path) const;

private:
    std::vector<std::uint8_t> bytes_;
};

// Generates realistic mail text (headers, a body of sentences) from a seed,
// of roughly the given size. WithAddress false leaves out every To:/From:
// line holding an at sign, so that the mail test rejects it.
std::string MakeMailText(std::uint64_t seed, std::size_t approxSize, bool withAddress = true);

}  // namespace tervaline::tools
