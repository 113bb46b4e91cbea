#include "engine/CarvedText.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <new>
#include <string_view>

#include "engine/MessageFileName.h"

namespace tervaline::engine {

namespace {

// Where the bytes before End end without their trailing zeros, counted
// from Base; Otherwise when all of them are zeros.
std::uint64_t EndWithoutZeros(const std::uint8_t* data, std::size_t end, std::uint64_t base,
                              std::uint64_t otherwise) {
    while (end > 0 && data[end - 1] == 0) --end;
    return end > 0 ? base + end : otherwise;
}

}  // namespace

TCarvedText::TCarvedText(TCarvedMessage& message, const TSpillPlace& place, std::uint64_t storeSize)
    : message_(message), place_(place), storeSize_(storeSize) {}

void TCarvedText::FollowFieldName(const std::uint8_t* data, std::size_t count) {
    for (std::size_t i = 0; i < count && fieldName_ == TFieldName::Undecided; ++i) {
        if (data[i] == ':') {
            fieldName_ = fieldNameLength_ > 0 ? TFieldName::Yes : TFieldName::No;
        } else if (data[i] < 0x21 || data[i] > 0x7E) {
            fieldName_ = TFieldName::No;
        } else {
            ++fieldNameLength_;
        }
    }
}

void TCarvedText::Fail(const std::string& reason) {
    failed_ = true;
    message_.Text = std::string();
    message_.Spilled.reset();
    message_.Unwritten = reason;
}

void TCarvedText::Spill() {
    assert(!message_.Spilled);
    const std::string& text = message_.Text;
    auto file = std::make_unique<platform::TNewFile>(place_.Folder, MessageFileName(message_.Start, storeSize_),
                                                     place_.FileMode);
    file->Write(text);
    endWithoutZeros_ = EndWithoutZeros(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0, 0);
    message_.Spilled = std::move(file);
    message_.Text = std::string();  // gives the memory back
}

void TCarvedText::Append(const std::uint8_t* data, std::size_t count) {
    if (failed_) return;
    FollowFieldName(data, count);
    try {
        if (!message_.Spilled && !place_.Folder.empty() && message_.Text.size() + count > place_.HeldBytes) Spill();
        if (message_.Spilled) {
            const std::uint64_t base = message_.Spilled->Size();
            message_.Spilled->Write(std::string_view(reinterpret_cast<const char*>(data), count));
            endWithoutZeros_ = EndWithoutZeros(data, count, base, endWithoutZeros_);
        } else {
            message_.Text.append(reinterpret_cast<const char*>(data), count);
        }
    } catch (const std::bad_alloc&) {
        Fail("Not enough memory for the message at " + MessageFileName(message_.Start, storeSize_));
    } catch (const std::exception& e) {
        Fail(e.what());
    }
}

void TCarvedText::DropTrailingZeros() {
    if (failed_) return;
    if (!message_.Spilled) {
        const std::size_t end = message_.Text.find_last_not_of('\0');
        message_.Text.resize(end == std::string::npos ? 0 : end + 1);
        return;
    }
    try {
        message_.Spilled->Truncate(endWithoutZeros_);
    } catch (const std::exception& e) {
        Fail(e.what());
    }
}

}  // namespace tervaline::engine
