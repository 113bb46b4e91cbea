// The search for the start of the next block chain, in Shallow mode (a
// header that records its own position, on a 4-byte grid) and Bottom mode
// (any 512 size field, at every byte).
//
// FindChainReference takes one position per step. FindChain gives exactly
// the same results, window refills and progress reports, but skips in bulk
// over runs of positions at which nothing can happen: no candidate, no
// progress report, no refill and no end of the search. Positions near the
// window's end, reports and candidates all go through the single step.
#include <algorithm>
#include <cstdint>

#include "engine/BlockLayout.h"
#include "engine/DbxScan.h"
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
constexpr std::uint32_t kFirstBulkPosition = 9;

}  // namespace

std::int64_t TDBXScanThread::SearchLimit() const { return static_cast<std::int64_t>(fileSize_) - kBlockHeaderSize; }

std::uint32_t TDBXScanThread::SearchStepSize() const { return scanMode_ < 0 ? 1 : 4; }

bool TDBXScanThread::SearchStep(std::int64_t limit, std::uint32_t& result) {
    const std::uint32_t step = SearchStepSize();
    const std::uint32_t p = Position();
    // The window operations, taken inline while the bytes needed lie in the
    // window; at its edge the operations themselves refill it.
    std::uint32_t v;
    if (windowPos_ + 4 <= windowLen_) {
        v = ReadLE32(windowBuf_.get() + windowPos_);
    } else {
        std::uint8_t word[4];
        Peek(word, sizeof word);
        v = ReadLE32(word);
    }
    // A header whose self offset is right is found at its first byte.
    if (scanMode_ == 0 && p > 4 && v == p) {
        result = p;
        return true;
    }
    if (v == kBlockDataSize && p > 8) {
        Back(4);
        result = p;
        return true;
    }
    if (windowPos_ + step <= windowLen_) {
        windowPos_ += step;
    } else {
        Skip(step);
    }
    if (p > progressMark_) DoProgress(p);
    result = 0;
    return StopRequested() || static_cast<std::int64_t>(p) >= limit;
}

std::uint32_t TDBXScanThread::FindChainReference() {
    const std::int64_t limit = SearchLimit();
    std::uint32_t result = 0;
    while (!SearchStep(limit, result)) {
    }
    return result;
}

std::uint32_t TDBXScanThread::QuietRunLength(std::int64_t limit) const {
    const std::uint32_t step = SearchStepSize();
    const std::uint32_t p = Position();
    // A stop already requested must end the search after exactly one more
    // step, as the single step would.
    if (p < kFirstBulkPosition || p > progressMark_ || static_cast<std::int64_t>(p) >= limit || StopRequested()) {
        return 0;
    }
    if (windowPos_ + 4 > windowLen_) return 0;
    // Positions whose word lies wholly in the window: no Peek refills there,
    // and the step after each stays inside the window too.
    std::uint64_t n = (windowLen_ - windowPos_ - 4) / step + 1;
    // Positions that are all at most ProgressMark: none of them reports.
    n = std::min<std::uint64_t>(n, (progressMark_ - p) / step + 1);
    // Positions all below the limit: the search goes on after each.
    n = std::min<std::uint64_t>(n, static_cast<std::uint64_t>(limit - p - 1) / step + 1);
    n = std::min<std::uint64_t>(n, kStopPollBytes / step);
    return static_cast<std::uint32_t>(n);
}

std::uint32_t TDBXScanThread::FindChain() {
    const std::int64_t limit = SearchLimit();
    const std::uint32_t step = SearchStepSize();
    std::uint32_t result = 0;
    for (;;) {
        const std::uint32_t run = QuietRunLength(limit);
        if (run > 0) {
            const std::uint8_t* bytes = windowBuf_.get() + windowPos_;
            std::size_t hit;
            if (scanMode_ == 0) {
                hit = FindSelfOrSizeWordOnGrid(bytes, run, Position());
            } else if (scanMode_ < 0) {
                hit = FindSizeWordAtAnyByte(bytes, run);
            } else {
                hit = FindSizeWordOnGrid(bytes, run);
            }
            windowPos_ += static_cast<std::uint32_t>(hit) * step;
            if (hit == run) {
                if (StopRequested()) return 0;
                continue;
            }
            // The candidate itself is taken by the single step below.
        }
        if (SearchStep(limit, result)) return result;
    }
}

}  // namespace tervaline::engine
