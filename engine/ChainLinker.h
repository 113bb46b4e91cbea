// TChainLinker: how the headers of a block index link into chains. It finds
// where stores lie in the file (the deltas between a header's position and
// the position it records, shared by more than one header), which block
// follows which, and marks in the index which blocks begin a chain and
// which end one, so that every block belongs to exactly one chain. A
// header that lies across the header of a block in a store is that block's
// own words read a few bytes on, and belongs to no chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tervaline::engine {

class TBlockIndex;

class TChainLinker {
public:
    // Marks the chains in Index, which must outlive the linker.
    explicit TChainLinker(TBlockIndex& index);

    struct TLink {
        std::size_t Block;
        std::int64_t Delta;  // of the store the chain goes on in
    };
    // The block that follows Block in a chain whose store lies at Delta:
    // the one of the same form where Next leads in that store, else, for a
    // store, the one in another piece of a store whose Self Next names.
    std::optional<TLink> Successor(std::size_t block, std::int64_t delta) const;

    bool StartsChain(std::size_t block) const;
    bool EndsChain(std::size_t block) const;

private:
    void FindStoreDeltas();
    void MarkOverlaid();
    void IndexBySelf();
    void MarkChains();
    bool IsStoreDelta(std::int64_t delta) const;

    TBlockIndex& index_;
    // Sorted. A delta held by a single header is taken for chance.
    std::vector<std::int64_t> storeDeltas_;
    // Headers that lie in stores, by form, Self and position.
    std::vector<std::uint32_t> bySelf_;
};

}  // namespace tervaline::engine
