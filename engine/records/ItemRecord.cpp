#include "engine/records/ItemRecord.h"

#include <algorithm>

#include "engine/BlockLayout.h"

namespace tervaline::engine {

namespace {

constexpr std::uint8_t kDirectBit = 0x80;

void Say(std::string* why, const char* what) {
    if (why) *why = what;
}

}  // namespace

std::int64_t FileTimeSeconds(std::uint64_t fileTime) {
    constexpr std::int64_t kUnixEpochIn1601Seconds = 11644473600;
    return static_cast<std::int64_t>(fileTime / 10000000u) - kUnixEpochIn1601Seconds;
}

std::size_t TItemRecord::ClaimedSize(const std::uint8_t* bytes, std::size_t available) {
    if (available < kHeadSize) return 0;
    return kHeadSize + ReadLE32(bytes + 4);
}

std::optional<TItemRecord> TItemRecord::Read(const std::uint8_t* bytes, std::size_t available, std::uint64_t at,
                                             std::string* why) {
    if (available < kHeadSize) return Say(why, "cut off by the end of the file"), std::nullopt;
    if (ReadLE32(bytes) != at) return Say(why, "does not name its own offset"), std::nullopt;
    const std::uint32_t body = ReadLE32(bytes + 4);
    const std::size_t count = bytes[0x0A];
    if (count == 0) return Say(why, "holds no field"), std::nullopt;
    if (body > kMaxBodySize || body < 4 * count) return Say(why, "its fields do not fit its length"), std::nullopt;
    if (kHeadSize + body > available) return Say(why, "runs past the end of the file"), std::nullopt;
    TItemRecord record;
    record.offset_ = at;
    const std::uint8_t* area = bytes + kHeadSize + 4 * count;
    record.area_.assign(reinterpret_cast<const char*>(area), body - 4 * count);
    const auto areaSize = static_cast<std::uint32_t>(record.area_.size());
    int lastId = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t word = ReadLE32(bytes + kHeadSize + 4 * i);
        const auto raw = static_cast<std::uint8_t>(word & 0xFF);
        const std::uint8_t id = raw & ~kDirectBit;
        if (static_cast<int>(id) <= lastId) return Say(why, "its fields are not sorted by id"), std::nullopt;
        lastId = id;
        const bool direct = (raw & kDirectBit) != 0;
        const std::uint32_t value = word >> 8;
        if (!direct && value >= areaSize) return Say(why, "a field's value lies past its length"), std::nullopt;
        record.fields_.push_back({id, direct, value, areaSize});
    }
    // A value runs to the next value that begins after it, or to the end.
    for (TField& f : record.fields_) {
        if (f.Direct) continue;
        for (const TField& g : record.fields_) {
            if (!g.Direct && g.Value > f.Value) f.End = std::min(f.End, g.Value);
        }
    }
    return record;
}

const TItemRecord::TField* TItemRecord::Find(std::uint8_t id) const {
    for (const TField& f : fields_) {
        if (f.Id == id) return &f;
    }
    return nullptr;
}

std::string_view TItemRecord::Value(const TField& field) const {
    return std::string_view(area_).substr(field.Value, field.End - field.Value);
}

std::optional<std::uint32_t> TItemRecord::Number(std::uint8_t id) const {
    const TField* f = Find(id);
    if (!f) return std::nullopt;
    if (f->Direct) return f->Value;
    const std::string_view v = Value(*f);
    if (v.size() < 4) return std::nullopt;
    return ReadLE32(reinterpret_cast<const std::uint8_t*>(v.data()));
}

std::optional<std::string> TItemRecord::Text(std::uint8_t id) const {
    const TField* f = Find(id);
    if (!f || f->Direct) return std::nullopt;
    const std::string_view v = Value(*f);
    return std::string(v.substr(0, v.find('\0')));
}

std::optional<std::int64_t> TItemRecord::Time(std::uint8_t id) const {
    const TField* f = Find(id);
    if (!f || f->Direct) return std::nullopt;
    const std::string_view v = Value(*f);
    if (v.size() < 8) return std::nullopt;
    const auto* p = reinterpret_cast<const std::uint8_t*>(v.data());
    const std::uint64_t fileTime = ReadLE32(p) | static_cast<std::uint64_t>(ReadLE32(p + 4)) << 32;
    if (fileTime == 0) return std::nullopt;
    return FileTimeSeconds(fileTime);
}

}  // namespace tervaline::engine
