#include "engine/UnreadableAreas.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tervaline::engine {

namespace {

using TAreaMap = std::map<std::uint64_t, TUnreadableArea>;

std::uint64_t EndOf(const TUnreadableArea& area) { return area.Offset + area.Length; }

// The first area that ends behind Offset.
TAreaMap::const_iterator FirstEndingBehind(const TAreaMap& areas, std::uint64_t offset) {
    auto it = areas.upper_bound(offset);
    if (it != areas.begin() && EndOf(std::prev(it)->second) > offset) --it;
    return it;
}

// Joins the area at It to its neighbours where they touch and share a reason,
// so that one failing stretch is listed once however it was read.
void JoinNeighbours(TAreaMap& areas, TAreaMap::iterator it) {
    if (it != areas.begin()) {
        const auto before = std::prev(it);
        if (EndOf(before->second) == it->first && before->second.Reason == it->second.Reason) {
            before->second.Length += it->second.Length;
            areas.erase(it);
            it = before;
        }
    }
    const auto after = std::next(it);
    if (after != areas.end() && EndOf(it->second) == after->first && after->second.Reason == it->second.Reason) {
        it->second.Length += after->second.Length;
        areas.erase(after);
    }
}

}  // namespace

void TUnreadableAreas::Add(std::uint64_t offset, std::uint64_t length, const std::string& reason) {
    if (length == 0) return;
    const std::uint64_t end = offset + length;
    std::lock_guard<std::mutex> lock(mutex_);
    // Reads that overlap (a window and its read-ahead, or a block read
    // again) find bytes listed already: only the rest is new.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> fresh;
    std::uint64_t at = offset;
    for (auto it = FirstEndingBehind(areas_, offset); at < end; ++it) {
        if (it == areas_.end() || it->first >= end) {
            fresh.emplace_back(at, end);
            break;
        }
        if (it->first > at) fresh.emplace_back(at, it->first);
        at = std::max(at, EndOf(it->second));
    }
    for (const auto& [from, to] : fresh) {
        JoinNeighbours(areas_, areas_.emplace(from, TUnreadableArea{from, to - from, reason}).first);
    }
    any_.store(true, std::memory_order_release);
}

std::vector<TUnreadableArea> TUnreadableAreas::List() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TUnreadableArea> list;
    list.reserve(areas_.size());
    for (const auto& entry : areas_) list.push_back(entry.second);
    return list;
}

std::vector<TByteRange> TUnreadableAreas::Within(std::uint64_t offset, std::uint64_t length) const {
    std::vector<TByteRange> parts;
    if (!any_.load(std::memory_order_acquire) || length == 0) return parts;
    const std::uint64_t end = offset + length;
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = FirstEndingBehind(areas_, offset); it != areas_.end() && it->first < end; ++it) {
        const std::uint64_t from = std::max(offset, it->first);
        const std::uint64_t to = std::min(end, EndOf(it->second));
        parts.push_back({from, to - from});
    }
    return parts;
}

}  // namespace tervaline::engine
