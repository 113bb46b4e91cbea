// The search for the start of the next block chain: a header that records
// its own position (when the rules ask for that test) or a 512 size word,
// at the positions the mode's step allows.
//
// SearchStep takes one position. FindChain gives exactly the results,
// window refills and progress reports of one step after another, but skips
// in bulk over runs of positions at which nothing can happen: no candidate,
// no progress report, no refill and no end of the search. Positions near
// the window's end, reports and candidates all go through the single step.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>

#include "engine/BlockLayout.h"
#include "engine/ChainScanner.h"
#include "engine/FileWindow.h"
#include "engine/ProgressMeter.h"
#include "engine/ScanStop.h"
#include "engine/WordSearch.h"

namespace tervaline::engine {

namespace {

// A stop request is polled after every single step and after each bulk
// run, and a run covers at most this many bytes of positions. A request
// already visible when a run would begin ends the search after one step,
// exactly as step by step; one that arrives during a run is noticed before
// the search has examined positions more than this many bytes further on.
constexpr std::uint32_t kStopPollBytes = 16 * 1024;

// Below this, a position cannot start a candidate (a self offset must be
// above 4 and a size word above 8), so the few such positions are left to
// the single step.
constexpr std::uint64_t kFirstBulkPosition = 9;

}  // namespace

TChainScanner::TChainScanner(TFileWindow& window, const TScanRules& rules, TProgressMeter& progress,
                             const TScanStop& stop, TSpillPlace spill)
    : window_(window), rules_(rules), progress_(progress), stop_(stop), spill_(std::move(spill)) {}

std::uint64_t TChainScanner::SearchedTo() const {
    // A chain is found by its size word as well, four bytes into its
    // header: one whose header starts up to four bytes before the cursor may
    // not have been seen yet.
    const std::uint64_t at = std::min(window_.Position(), window_.FileSize());
    return at > kSizeWordOffset ? at - kSizeWordOffset : 0;
}

std::int64_t TChainScanner::SearchLimit() const {
    return static_cast<std::int64_t>(window_.FileSize()) - kBlockHeaderSize;
}

bool TChainScanner::SearchStep(std::int64_t limit, std::uint64_t& result) {
    const std::uint32_t step = rules_.Step;
    const std::uint64_t p = window_.Position();
    std::uint32_t v;
    if (window_.Remaining() >= 4) {
        v = ReadLE32(window_.Cursor());
    } else {
        std::uint8_t word[4];
        window_.Peek(word, sizeof word);
        v = ReadLE32(word);
    }
    // A header whose self offset is right is found at its first byte.
    if (rules_.SelfOffsetTest && p > 4 && v == p) {
        result = p;
        return true;
    }
    if (v == kBlockDataSize && p > 8) {
        window_.Back(4);
        result = p;
        return true;
    }
    if (window_.Remaining() >= step) {
        window_.Advance(step);
    } else {
        window_.Skip(step);
    }
    progress_.Reach(p);
    result = 0;
    // The last position examined reaches the end, whatever else happened.
    if (static_cast<std::int64_t>(p) >= limit) {
        reachedEnd_ = true;
        return true;
    }
    return stop_.SearchStopped();
}

std::uint32_t TChainScanner::QuietRunLength(std::int64_t limit) const {
    const std::uint32_t step = rules_.Step;
    const std::uint64_t p = window_.Position();
    // A stop already requested must end the search after exactly one more
    // step, as the single step would.
    if (p < kFirstBulkPosition || p > progress_.Mark() || static_cast<std::int64_t>(p) >= limit ||
        stop_.SearchStopped()) {
        return 0;
    }
    if (window_.Remaining() < 4) return 0;
    // Positions whose word lies wholly in the window: no Peek refills there,
    // and the step after each stays inside the window too.
    std::uint64_t n = (window_.Remaining() - 4) / step + 1;
    // Positions that are all at most the progress mark: none of them reports.
    n = std::min<std::uint64_t>(n, (progress_.Mark() - p) / step + 1);
    // Positions all below the limit: the search goes on after each.
    n = std::min<std::uint64_t>(n, static_cast<std::uint64_t>(limit - static_cast<std::int64_t>(p) - 1) / step + 1);
    n = std::min<std::uint64_t>(n, kStopPollBytes / step);
    return static_cast<std::uint32_t>(n);
}

std::uint64_t TChainScanner::FindChain() {
    const std::int64_t limit = SearchLimit();
    const std::uint32_t step = rules_.Step;
    std::uint64_t result = 0;
    for (;;) {
        const std::uint32_t run = QuietRunLength(limit);
        if (run > 0) {
            const std::uint8_t* bytes = window_.Cursor();
            std::size_t hit = run;
            switch (rules_.Search) {
                case TWordSearch::SelfOrSizeOnGrid: {
                    // Only stores below 4 GiB ask for the self test, so the
                    // run's offsets fit the store's 32-bit words unwrapped.
                    const std::uint64_t first = window_.Position();
                    assert(first + 4ull * run <= 0xFFFFFFFFull);
                    hit = FindSelfOrSizeWordOnGrid(bytes, run, static_cast<std::uint32_t>(first));
                    break;
                }
                case TWordSearch::SizeOnGrid:
                    hit = FindSizeWordOnGrid(bytes, run);
                    break;
                case TWordSearch::SizeAtAnyByte:
                    hit = FindSizeWordAtAnyByte(bytes, run);
                    break;
            }
            window_.Advance(static_cast<std::uint32_t>(hit) * step);
            if (hit == run) {
                if (stop_.SearchStopped()) return 0;
                continue;
            }
            // The candidate itself is taken by the single step below.
        }
        if (SearchStep(limit, result)) return result;
    }
}

}  // namespace tervaline::engine
