#include "engine/ChainLinker.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "engine/BlockIndex.h"
#include "engine/BlockLayout.h"

namespace tervaline::engine {

namespace {

enum : std::uint8_t {
    kPointedTo = 1,  // some other block's Next leads here
    kUsed = 2,       // taken by a chain
    kStart = 4,
    kEnd = 8,
    kOverlaid = 16,  // lies across the header of a block in a store: not a block
};

}  // namespace

TChainLinker::TChainLinker(TBlockIndex& index) : index_(index) {
    if (index_.Size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("The file holds too many block headers to follow");
    }
    FindStoreDeltas();
    MarkOverlaid();
    IndexBySelf();
    MarkChains();
}

void TChainLinker::FindStoreDeltas() {
    // Counted by sorting, not in a map, so that memory stays at 8 bytes a
    // header while it lasts.
    std::vector<std::int64_t> deltas(index_.Size());
    for (std::size_t i = 0; i < index_.Size(); ++i) deltas[i] = index_[i].Delta();
    std::sort(deltas.begin(), deltas.end());
    for (std::size_t i = 0; i < deltas.size();) {
        std::size_t j = i;
        while (j < deltas.size() && deltas[j] == deltas[i]) ++j;
        if (j - i >= 2) storeDeltas_.push_back(deltas[i]);
        i = j;
    }
}

void TChainLinker::MarkOverlaid() {
    // A block's own words can read as another plausible header a few bytes
    // on (its size and length words as a Self and a size). Where such a
    // header crosses one that lies in a store, it is that one's shadow.
    for (std::size_t i = 0; i < index_.Size(); ++i) {
        if (IsStoreDelta(index_[i].Delta())) continue;
        const auto crosses = [&](std::size_t j) {
            const std::uint64_t a = index_[i].Position, b = index_[j].Position;
            return (a > b ? a - b : b - a) < kBlockHeaderSize && IsStoreDelta(index_[j].Delta());
        };
        for (std::size_t j = i; j-- > 0 && index_[i].Position - index_[j].Position < kBlockHeaderSize;) {
            if (crosses(j)) index_[i].Marks |= kOverlaid | kUsed;
        }
        for (std::size_t j = i + 1; j < index_.Size() && index_[j].Position - index_[i].Position < kBlockHeaderSize; ++j) {
            if (crosses(j)) index_[i].Marks |= kOverlaid | kUsed;
        }
    }
}

bool TChainLinker::IsStoreDelta(std::int64_t delta) const {
    return std::binary_search(storeDeltas_.begin(), storeDeltas_.end(), delta);
}

void TChainLinker::IndexBySelf() {
    for (std::size_t i = 0; i < index_.Size(); ++i) {
        if (IsStoreDelta(index_[i].Delta())) bySelf_.push_back(static_cast<std::uint32_t>(i));
    }
    // Position order breaks ties, as the index is sorted by position.
    std::stable_sort(bySelf_.begin(), bySelf_.end(), [this](std::uint32_t a, std::uint32_t b) {
        return std::tie(index_[a].Form, index_[a].Self) < std::tie(index_[b].Form, index_[b].Self);
    });
}

std::optional<TChainLinker::TLink> TChainLinker::Successor(std::size_t block, std::int64_t delta) const {
    const TIndexedHeader& h = index_[block];
    // A live block with fewer than 512 bytes, or one without a Next, ends
    // its chain; a deleted block does not record its length.
    const bool goesOn = h.Next != 0 && (h.Form == TBlockForm::Deleted || h.Len == kBlockDataSize);
    if (!goesOn) return std::nullopt;
    const std::int64_t there = static_cast<std::int64_t>(h.Next) + delta;
    if (there >= 0) {
        const auto next = index_.FindAt(static_cast<std::uint64_t>(there), block + 1);
        if (next && *next != block && index_[*next].Form == h.Form && (index_[*next].Marks & kOverlaid) == 0) {
            return TLink{*next, delta};
        }
    }
    if (!IsStoreDelta(delta)) return std::nullopt;
    using TKey = std::pair<TBlockForm, std::uint32_t>;
    const auto keyOf = [this](std::uint32_t i) { return TKey{index_[i].Form, index_[i].Self}; };
    const TKey wanted{h.Form, h.Next};
    auto it = std::lower_bound(bySelf_.begin(), bySelf_.end(), wanted,
                               [&](std::uint32_t i, const TKey& key) { return keyOf(i) < key; });
    for (; it != bySelf_.end() && keyOf(*it) == wanted; ++it) {
        if (*it != block) return TLink{*it, index_[*it].Delta()};
    }
    return std::nullopt;
}

void TChainLinker::MarkChains() {
    for (std::size_t i = 0; i < index_.Size(); ++i) {
        if ((index_[i].Marks & kOverlaid) != 0) continue;
        if (const auto next = Successor(i, index_[i].Delta())) index_[next->Block].Marks |= kPointedTo;
    }
    const auto walk = [this](std::size_t start) {
        index_[start].Marks |= kStart;
        std::size_t at = start;
        std::int64_t delta = index_[start].Delta();
        for (;;) {
            index_[at].Marks |= kUsed;
            const auto next = Successor(at, delta);
            // A cycle, or a block another chain has taken, ends this one.
            if (!next || (index_[next->Block].Marks & kUsed) != 0) {
                index_[at].Marks |= kEnd;
                return;
            }
            at = next->Block;
            delta = next->Delta;
        }
    };
    // Chains begin at the blocks no other block leads to; what is left
    // after them lies on cycles, each then read from its first block.
    for (std::size_t i = 0; i < index_.Size(); ++i) {
        if ((index_[i].Marks & (kUsed | kPointedTo)) == 0) walk(i);
    }
    for (std::size_t i = 0; i < index_.Size(); ++i) {
        if ((index_[i].Marks & kUsed) == 0) walk(i);
    }
}

bool TChainLinker::StartsChain(std::size_t block) const { return (index_[block].Marks & kStart) != 0; }

bool TChainLinker::EndsChain(std::size_t block) const { return (index_[block].Marks & kEnd) != 0; }

}  // namespace tervaline::engine
