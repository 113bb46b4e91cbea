// A set of NFA state numbers as a bit array. All sets made for one
// automaton have the same size, so equality is a plain byte comparison.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tervaline::regex {

class TRE_NFAStateSet {
public:
    // StateCount / 8 + 1 bytes, all clear. Numbers are not bound-checked:
    // callers only use numbers below the state count.
    explicit TRE_NFAStateSet(std::int32_t stateCount)
        : bits_(static_cast<std::size_t>(stateCount / 8 + 1), 0) {}

    bool Has(std::int32_t i) const { return (bits_[static_cast<std::size_t>(i / 8)] >> (i % 8)) & 1u; }
    void Include(std::int32_t i) { bits_[static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(1u << (i % 8)); }
    // Both sets must belong to one automaton.
    void IncludeAll(const TRE_NFAStateSet& other) {
        assert(other.bits_.size() == bits_.size());
        for (std::size_t i = 0; i < bits_.size(); ++i) bits_[i] |= other.bits_[i];
    }
    bool Equals(const TRE_NFAStateSet& other) const { return bits_ == other.bits_; }
    std::int32_t ByteCount() const { return static_cast<std::int32_t>(bits_.size()); }
    // Equal sets hash alike; lets the DFA find a known set without
    // comparing it with every state.
    std::size_t Hash() const {
        std::size_t h = 1469598103934665603ull;
        for (std::uint8_t b : bits_) h = (h ^ b) * 1099511628211ull;
        return h;
    }

private:
    std::vector<std::uint8_t> bits_;
};

}  // namespace tervaline::regex
