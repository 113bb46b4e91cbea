// The walk of a store's tree of items: depth first from its root, trusting
// no pointer. Every node and item must stand inside the file and name its
// own offset; a node or item met twice (a cycle, or a repeat) is passed by;
// a broken branch is dropped where it breaks and the walk goes on with the
// rest, each break kept with its offset and what failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/records/ItemRecord.h"

namespace tervaline::engine {

// Fills Dest with Count bytes of the store at At and returns how many it
// could: fewer past the end of the file or where the disk could not read.
using TByteReader = std::function<std::size_t(std::uint64_t at, std::uint8_t* dest, std::size_t count)>;

// A reader over bytes held in memory.
TByteReader BytesReader(const std::string& bytes);

struct TRecordBreak {
    std::uint64_t Offset = 0;  // of the object that failed, or the pointer that led nowhere
    std::string What;
    bool operator==(const TRecordBreak&) const = default;
};

struct TTreeWalk {
    std::vector<TItemRecord> Items;  // in the tree's order
    std::vector<TRecordBreak> Breaks;
};

// The item record at At, or why there is none there.
std::optional<TItemRecord> ReadItemAt(const TByteReader& read, std::uint64_t fileSize, std::uint64_t at,
                                      std::string* why);

// Walks the tree whose root node stands at Root in a file of FileSize bytes.
TTreeWalk WalkTree(const TByteReader& read, std::uint64_t fileSize, std::uint32_t root);

}  // namespace tervaline::engine
