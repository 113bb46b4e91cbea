// TCarvedText: the text of a chain as a carver reassembles it, block by
// block, into a TCarvedMessage. It is held in memory up to a bound; a text
// that grows past it moves to a new file in the output folder and goes on
// there, so that no message, however long (a hostile chain can run through
// the whole store), needs more memory than the bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "engine/CarvedMessage.h"

namespace tervaline::engine {

// Where a text too long to hold goes.
struct TSpillPlace {
    std::string Folder;  // empty: every text is held in memory, however long
    unsigned FileMode = 0666;
    std::size_t HeldBytes = std::numeric_limits<std::size_t>::max();  // the most text held
};

class TCarvedText {
public:
    // Message (with its Start set) and Place must outlive the text.
    // StoreSize decides the width of the name the spilled file is made for.
    TCarvedText(TCarvedMessage& message, const TSpillPlace& place, std::uint64_t storeSize);

    // Appends Count bytes. Throws nothing: when they cannot be kept (no
    // memory, the file failed), the message loses its text and gets the
    // reason instead, and what follows is dropped.
    void Append(const std::uint8_t* data, std::size_t count);
    // Drops the zeros the text ends in.
    void DropTrailingZeros();
    // Whether the text begins like a message: its first line is a header
    // field, a name of printable characters other than the colon, then a
    // colon.
    bool BeginsLikeMessage() const { return fieldName_ == TFieldName::Yes; }

private:
    void Spill();
    void Fail(const std::string& reason);
    void FollowFieldName(const std::uint8_t* data, std::size_t count);

    TCarvedMessage& message_;
    const TSpillPlace& place_;
    std::uint64_t storeSize_;
    bool failed_ = false;
    // Once spilled: where the text ends without its trailing zeros.
    std::uint64_t endWithoutZeros_ = 0;
    enum class TFieldName { Undecided, Yes, No } fieldName_ = TFieldName::Undecided;
    std::size_t fieldNameLength_ = 0;
};

}  // namespace tervaline::engine
