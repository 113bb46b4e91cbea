#include "tools/StoreBuilder.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <stdexcept>

namespace tervaline::tools {

namespace {

constexpr std::uint32_t kHeaderSize = 10964;
constexpr std::uint32_t kBlockSize = 528;

void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

TStoreBuilder::TStoreBuilder(bool signedStore) {
    if (!signedStore) return;
    bytes_.assign(kHeaderSize, 0);
    const std::array<std::uint8_t, 8> signature{0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F};
    std::copy(signature.begin(), signature.end(), bytes_.begin());
}

std::vector<TBlockSpec> TStoreBuilder::ChainBlocks(std::uint32_t start, std::string_view text) {
    const std::size_t count = text.empty() ? 1 : (text.size() + 511) / 512;
    std::vector<std::uint32_t> selves;
    for (std::size_t k = 0; k < count; ++k) selves.push_back(start + static_cast<std::uint32_t>(k) * kBlockSize);
    return ChainBlocksAt(selves, text);
}

std::vector<TBlockSpec> TStoreBuilder::ChainBlocksAt(const std::vector<std::uint32_t>& selves,
                                                     std::string_view text) {
    const std::size_t count = text.empty() ? 1 : (text.size() + 511) / 512;
    if (selves.size() != count) throw std::invalid_argument("one position per block is needed");
    std::vector<TBlockSpec> blocks;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = k * 512;
        const std::size_t len = std::min<std::size_t>(512, text.size() - at);
        TBlockSpec b;
        b.Self = selves[k];
        b.Len = static_cast<std::uint32_t>(len);
        b.Next = k + 1 < count ? selves[k + 1] : 0;
        b.Data = std::string(text.substr(at, len));
        blocks.push_back(std::move(b));
    }
    return blocks;
}

void TStoreBuilder::MarkDeleted(std::vector<TBlockSpec>& blocks) {
    std::uint32_t previous = 0;
    for (TBlockSpec& b : blocks) {
        b.Size = 0x1FC;
        b.Len = 0x210;
        if (b.Data.size() < 4) b.Data.resize(4, '\0');
        for (int i = 0; i < 4; ++i) b.Data[i] = static_cast<char>(previous >> (8 * i));
        previous = b.Self;
    }
}

std::string TStoreBuilder::UndeletedText(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size() || at == 0; at += 512) {
        std::string block(text.substr(at, 512));
        block.resize(512, '\0');
        block.replace(0, 4, "----");
        out += block;
        if (text.empty()) break;
    }
    const std::size_t end = out.find_last_not_of('\0');
    out.resize(end == std::string::npos ? 0 : end + 1);
    return out;
}

std::uint32_t TStoreBuilder::AddMessage(std::string_view text) {
    const std::uint32_t start = End();
    AddBlocks(ChainBlocks(start, text));
    return start;
}

void TStoreBuilder::AddBlocks(const std::vector<TBlockSpec>& blocks) {
    for (const TBlockSpec& b : blocks) {
        if (b.Data.size() > 512) throw std::invalid_argument("block data longer than 512 bytes");
        PutLE32(bytes_, b.Self);
        PutLE32(bytes_, b.Size);
        PutLE32(bytes_, b.Len);
        PutLE32(bytes_, b.Next);
        bytes_.insert(bytes_.end(), b.Data.begin(), b.Data.end());
        bytes_.insert(bytes_.end(), 512 - b.Data.size(), b.Padding);
    }
}

void TStoreBuilder::AddBytes(std::string_view bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

void TStoreBuilder::AddZeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

void TStoreBuilder::AddNoise(std::size_t count, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    const std::size_t from = bytes_.size();
    for (std::size_t i = 0; i < count; ++i) bytes_.push_back(static_cast<std::uint8_t>(rng() >> 24));
    // Noise must not contain accidental block markers: a 512 value or a
    // word equal to its own offset. Nudging one byte breaks either.
    for (std::size_t i = from; i + 4 <= bytes_.size(); ++i) {
        const std::uint32_t v = static_cast<std::uint32_t>(bytes_[i]) | bytes_[i + 1] << 8 |
                                bytes_[i + 2] << 16 | static_cast<std::uint32_t>(bytes_[i + 3]) << 24;
        if (v == 512 || v == i) bytes_[i] ^= 0x55;
    }
}

void TStoreBuilder::Align(std::uint32_t alignment) {
    while (bytes_.size() % alignment != 0) bytes_.push_back(0);
}

void TStoreBuilder::Patch(std::uint32_t offset, std::string_view bytes) {
    if (offset + bytes.size() > bytes_.size()) throw std::out_of_range("patch outside the store");
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + offset);
}

void TStoreBuilder::PatchLE32(std::uint32_t offset, std::uint32_t value) {
    std::string le(4, '\0');
    for (int i = 0; i < 4; ++i) le[i] = static_cast<char>(value >> (8 * i));
    Patch(offset, le);
}

void TStoreBuilder::WriteTo(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    if (!out) throw std::runtime_error("cannot write the store " + path);
}

std::string MakeMailText(std::uint64_t seed, std::size_t approxSize, bool withAddress) {
    static const char* const kNames[] = {"ann", "bob", "carol", "dave", "erin", "frank", "grace", "heidi"};
    static const char* const kDomains[] = {"example.com", "example.org", "mail.example.net"};
    static const char* const kWords[] = {"the",    "meeting", "report", "please", "attached", "project",
                                         "review", "friday",  "budget", "thanks", "schedule", "draft",
                                         "notes",  "call",    "update", "team",   "invoice",  "office"};
    std::mt19937_64 rng(seed);
    auto pick = [&rng](const auto& list) { return list[rng() % std::size(list)]; };
    std::string text;
    if (withAddress) {
        text += "From: " + std::string(pick(kNames)) + "@" + pick(kDomains) + "\r\n";
        text += "To: " + std::string(pick(kNames)) + "@" + pick(kDomains) + "\r\n";
    } else {
        text += "X-Folder: notes\r\n";
    }
    text += "Subject: " + std::string(pick(kWords)) + " " + pick(kWords) + "\r\n";
    text += "Date: Mon, " + std::to_string(1 + rng() % 28) + " Jun 2003 10:" +
            std::to_string(10 + rng() % 50) + ":00 +0900\r\n";
    text += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n";
    while (text.size() < approxSize) {
        std::string line;
        const int words = 6 + static_cast<int>(rng() % 8);
        for (int i = 0; i < words; ++i) line += std::string(i ? " " : "") + pick(kWords);
        text += line + ".\r\n";
    }
    return text;
}

}  // namespace tervaline::tools
