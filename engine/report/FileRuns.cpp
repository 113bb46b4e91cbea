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
    // A stretch of data read, split by the lost bytes within it.
    const auto addData = [&](std::uint64_t at, std::uint64_t length) {
        length = std::min(length, size - file);
        const std::uint64_t end = at + length;
        while (at < end) {
            std::uint64_t to = end;
            bool lost = false;
            for (const TByteRange& gone : carved.Lost) {
                const std::uint64_t goneEnd = gone.Offset + gone.Length;
                if (gone.Offset <= at && at < goneEnd) {
                    lost = true;
                    to = std::min(to, goneEnd);
                } else if (at < gone.Offset && gone.Offset < to) {
                    to = gone.Offset;
                }
            }
            AddRun(runs, file, at, to - at, lost);
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
