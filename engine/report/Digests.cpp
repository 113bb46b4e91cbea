#include "engine/report/Digests.h"

#include <vector>

#include "platform/Hash.h"

namespace tervaline::engine {

namespace {

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(2 * bytes.size(), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[2 * i] = kDigits[b >> 4];
        text[2 * i + 1] = kDigits[b & 0xF];
    }
    return text;
}

}  // namespace

TMessageDigests DigestsOf(std::string_view bytes) {
    platform::THash md5(platform::EHash::Md5);
    platform::THash sha256(platform::EHash::Sha256);
    // Piece by piece through both, so that each piece is read from memory
    // once.
    constexpr std::size_t kPiece = 64u << 10;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::string_view piece = bytes.substr(at, kPiece);
        md5.Update(piece.data(), piece.size());
        sha256.Update(piece.data(), piece.size());
    }
    return {Hex(md5.Finish()), Hex(sha256.Finish())};
}

TMessageDigests DigestsOf(const TReadAt& readAt) {
    platform::THash md5(platform::EHash::Md5);
    platform::THash sha256(platform::EHash::Sha256);
    std::vector<char> buffer(1u << 20);
    std::uint64_t at = 0;
    for (std::size_t got; (got = readAt(at, buffer.data(), buffer.size())) > 0; at += got) {
        md5.Update(buffer.data(), got);
        sha256.Update(buffer.data(), got);
    }
    return {Hex(md5.Finish()), Hex(sha256.Finish())};
}

TSha256::TSha256() : hash_(std::make_unique<platform::THash>(platform::EHash::Sha256)) {}

TSha256::~TSha256() = default;

void TSha256::Update(const void* bytes, std::size_t count) { hash_->Update(bytes, count); }

std::string TSha256::HexDigest() { return Hex(hash_->Finish()); }

}  // namespace tervaline::engine
