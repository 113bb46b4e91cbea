// TStoreRecords: the message records a scan could read from the store's
// own structures, through its tree and, in Deep mode, by the offset mark
// each record carries, waiting to be joined to the chains the scan carves
// by the first block each names. What no chain claims is what the store
// still lists but the scan could not recover.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/records/MessageRecord.h"
#include "engine/records/TreeWalk.h"

namespace tervaline::engine {

class TStoreRecords {
public:
    // Reads the header and walks the tree of a store of FileSize bytes;
    // a file without a message store's signature gives no record.
    void ReadTree(const TByteReader& read, std::uint64_t fileSize);

    // Adds the records that stand at Candidates (positions where a record
    // may name its own offset) and that the tree did not reach: each must
    // be a whole record whose first block is one BlockAt says a block
    // header naming its own offset stands at.
    void AddMarked(const TByteReader& read, std::uint64_t fileSize, const std::vector<std::uint64_t>& candidates,
                   const std::function<bool(std::uint32_t)>& blockAt);

    // The record whose first block is Start, taken for the chain found
    // there: none when there is none, or another chain took it. A record
    // taken by a deleted chain is one the store no longer lists.
    std::optional<TMessageRecord> Claim(std::uint64_t start, bool deleted);

    // Records the store lists: all read, less those deleted chains took.
    std::uint64_t Listed() const { return records_.size() - claimedByDeleted_; }
    // Listed records no chain took, in the order read.
    std::vector<TMessageRecord> Unclaimed() const;
    const std::vector<TRecordBreak>& Breaks() const { return breaks_; }
    // The count of items the header says the tree holds; none without one.
    std::optional<std::uint32_t> HeaderCount() const { return headerCount_; }

private:
    void Add(TMessageRecord record);

    std::vector<TMessageRecord> records_;
    std::vector<char> claimed_;
    std::unordered_map<std::uint64_t, std::size_t> byFirstBlock_;
    std::unordered_set<std::uint64_t> offsets_;
    std::uint64_t claimedByDeleted_ = 0;
    std::vector<TRecordBreak> breaks_;
    std::optional<std::uint32_t> headerCount_;
};

}  // namespace tervaline::engine
