#include "engine/records/StoreRecords.h"

#include "engine/records/StoreHeader.h"

namespace tervaline::engine {

void TStoreRecords::Add(TMessageRecord record) {
    if (!offsets_.insert(record.Offset).second) return;
    // A record without a first block still says what the store lists.
    if (record.FirstBlock && !byFirstBlock_.emplace(*record.FirstBlock, records_.size()).second) {
        breaks_.push_back({record.Offset, "item record names the first block of another record"});
    }
    records_.push_back(std::move(record));
    claimed_.push_back(0);
}

void TStoreRecords::ReadTree(const TByteReader& read, std::uint64_t fileSize) {
    std::uint8_t bytes[TStoreHeader::kFieldsSize];
    const auto header = ReadStoreHeader(bytes, read(0, bytes, sizeof bytes));
    if (!header || header->Kind != TStoreKind::Messages) return;
    headerCount_ = header->ItemCount;
    TTreeWalk walk = WalkTree(read, fileSize, header->RootNode);
    breaks_.insert(breaks_.end(), walk.Breaks.begin(), walk.Breaks.end());
    for (const TItemRecord& item : walk.Items) Add(ReadMessageRecord(item, TRecordOrigin::Tree));
}

void TStoreRecords::AddMarked(const TByteReader& read, std::uint64_t fileSize,
                              const std::vector<std::uint64_t>& candidates,
                              const std::function<bool(std::uint32_t)>& blockAt) {
    for (const std::uint64_t at : candidates) {
        if (offsets_.count(at) != 0) continue;
        const auto item = ReadItemAt(read, fileSize, at, nullptr);
        if (!item) continue;
        TMessageRecord record = ReadMessageRecord(*item, TRecordOrigin::Mark);
        // Only the first block tells a message's record from any other
        // object that happens to begin with its own offset.
        if (!record.FirstBlock || !blockAt(*record.FirstBlock) || byFirstBlock_.count(*record.FirstBlock) != 0) {
            continue;
        }
        Add(std::move(record));
    }
}

std::optional<TMessageRecord> TStoreRecords::Claim(std::uint64_t start, bool deleted) {
    const auto it = byFirstBlock_.find(start);
    if (it == byFirstBlock_.end() || claimed_[it->second]) return std::nullopt;
    claimed_[it->second] = 1;
    if (deleted) ++claimedByDeleted_;
    return records_[it->second];
}

std::vector<TMessageRecord> TStoreRecords::Unclaimed() const {
    std::vector<TMessageRecord> left;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!claimed_[i]) left.push_back(records_[i]);
    }
    return left;
}

}  // namespace tervaline::engine
