#include "engine/report/FileRuns.h"

#include <algorithm>

#include "engine/BlockLayout.h"

namespace tervaline::engine {

namespace {

void AddRun(std::vector<TFileRun>& runs, std::uint64_t fileOffset, std::uint64_t storeOffset, std::uint64_t length,
            bool lost) {
    if (length == 0) return;
    if (!runs.empty()) {
        TFileRun& last = runs.back();
        if (last.Lost == lost && last.StoreOffset + last.Length == storeOffset) {
            last.Length += length;
            return;
        }
    }
    runs.push_back({fileOffset, length, storeOffset, lost});
}

}  // namespace

std::vector<TFileRun> FileRunsOf(const TCarvedMessage& carved, std::uint64_t size) {
    std::vector<TFileRun> runs;
    std::uint64_t file = 0;
    // The lost bytes were noted in the order the chain was read, so one
    // pass over them goes along with the reading: a chain of millions of
    // deleted blocks costs no more than its length.
    const std::vector<TByteRange>& lost = carved.Lost;
    std::size_t next = 0;
    // A stretch of data read, split by the lost bytes within it.
    const auto addData = [&](std::uint64_t at, std::uint64_t length) {
        length = std::min(length, size - file);
        const std::uint64_t end = at + length;
        while (at < end) {
            std::uint64_t to = end;
            bool isLost = false;
            if (next < lost.size()) {
                const std::uint64_t lostEnd = lost[next].Offset + lost[next].Length;
                if (lost[next].Offset <= at && at < lostEnd) {
                    isLost = true;
                    to = std::min(end, lostEnd);
                    if (to == lostEnd) ++next;
                } else if (at < lost[next].Offset && lost[next].Offset < end) {
                    to = lost[next].Offset;
                }
            }
            AddRun(runs, file, at, to - at, isLost);
            file += to - at;
            at = to;
        }
    };
    // The runs of the store read join the blocks that follow each other:
    // each block in them but the last gave all of its data, or the next
    // would not have joined its run.
    for (const TByteRange& read : carved.Read) {
        std::uint64_t at = read.Offset;
        std::uint64_t left = read.Length;
        while (left > 0 && file < size) {
            const std::uint64_t header = std::min<std::uint64_t>(kBlockHeaderSize, left);
            at += header;
            left -= header;
            const std::uint64_t data = std::min<std::uint64_t>(kBlockDataSize, left);
            addData(at, data);
            at += data;
            left -= data;
        }
    }
    return runs;
}

}  // namespace tervaline::engine
