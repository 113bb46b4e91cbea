// TItemRecord: one item record of the store (a message's information, or a
// folder's in the folder list) with its typed fields, read so that a record
// that does not stand where it says, or whose fields overrun it, is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervaline::engine {

class TItemRecord {
public:
    // The 12-byte head: own offset, length of what follows, a length word
    // of its own, the field count and a change counter.
    static constexpr std::size_t kHeadSize = 12;
    // Larger records than this are taken for damage: a message's fields
    // take a few hundred bytes, a subject at most a few thousand.
    static constexpr std::uint32_t kMaxBodySize = 0x10000;

    // Reads the record that stands at At, from Bytes (what the file holds
    // there, Available of them). None, and Why says what failed, when the
    // bytes do not hold a record naming At as its own offset, with fields
    // sorted by id and values inside its length.
    static std::optional<TItemRecord> Read(const std::uint8_t* bytes, std::size_t available, std::uint64_t at,
                                           std::string* why = nullptr);
    // Whether the head at Bytes (kHeadSize of them) claims a length and a
    // field count a record could have: cheap, for a search of the file.
    static bool MayBegin(const std::uint8_t* bytes) {
        const std::uint32_t body = static_cast<std::uint32_t>(bytes[4]) | static_cast<std::uint32_t>(bytes[5]) << 8 |
                                   static_cast<std::uint32_t>(bytes[6]) << 16 |
                                   static_cast<std::uint32_t>(bytes[7]) << 24;
        const std::uint32_t count = bytes[0x0A];
        return count != 0 && body >= 4 * count && body <= kMaxBodySize;
    }
    // How many bytes the record at the start of Bytes claims, head included;
    // 0 when Available bytes do not even hold its head.
    static std::size_t ClaimedSize(const std::uint8_t* bytes, std::size_t available);

    std::uint64_t Offset() const { return offset_; }
    bool Has(std::uint8_t id) const { return Find(id) != nullptr; }
    // A number: held in the field itself, or the first 4 bytes of its value.
    std::optional<std::uint32_t> Number(std::uint8_t id) const;
    // The value's bytes up to the first NUL.
    std::optional<std::string> Text(std::uint8_t id) const;
    // A FILETIME value as seconds since 1970 UTC; none for a zero time.
    std::optional<std::int64_t> Time(std::uint8_t id) const;

private:
    struct TField {
        std::uint8_t Id;  // without the direct bit
        bool Direct;
        std::uint32_t Value;  // the value itself, or its offset in the value area
        std::uint32_t End;    // where an indirect value ends in the value area
    };
    const TField* Find(std::uint8_t id) const;
    std::string_view Value(const TField& field) const;

    std::uint64_t offset_ = 0;
    std::vector<TField> fields_;
    std::string area_;  // the value area
};

// Seconds since 1970 UTC of a FILETIME (100 ns since 1601 UTC).
std::int64_t FileTimeSeconds(std::uint64_t fileTime);

}  // namespace tervaline::engine
