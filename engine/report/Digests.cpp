#include "engine/report/Digests.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <vector>

namespace tervaline::engine {

namespace {

std::string Hex(const unsigned char* bytes, unsigned int count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(2 * count, '\0');
    for (unsigned int i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    return text;
}


// The library's implementations, looked up once: a lookup for every
// message would cost about as much as hashing it.
struct TKinds {
    struct TFree {
        void operator()(EVP_MD* p) const { EVP_MD_free(p); }
    };
    std::unique_ptr<EVP_MD, TFree> md5{EVP_MD_fetch(nullptr, "MD5", nullptr)};
    std::unique_ptr<EVP_MD, TFree> sha256{EVP_MD_fetch(nullptr, "SHA256", nullptr)};
};

const TKinds& Kinds() {
    static const TKinds kinds;
    if (!kinds.md5 || !kinds.sha256) throw std::runtime_error("The checksum library has no MD5 or SHA-256");
    return kinds;
}

// A digest of bytes that arrive in pieces.
class TDigestStream {
public:
    explicit TDigestStream(const EVP_MD* kind) {
        if (!context_ || EVP_DigestInit_ex2(context_.get(), kind, nullptr) != 1) {
            throw std::runtime_error("The checksum library failed");
        }
    }
    void Update(const void* bytes, std::size_t count) {
        if (EVP_DigestUpdate(context_.get(), bytes, count) != 1) throw std::runtime_error("The checksum library failed");
    }
    std::string HexDigest() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(context_.get(), digest, &length) != 1) {
            throw std::runtime_error("The checksum library failed");
        }
        return Hex(digest, length);
    }

private:
    struct TFree {
        void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    };
    std::unique_ptr<EVP_MD_CTX, TFree> context_{EVP_MD_CTX_new()};
};

}  // namespace

TMessageDigests DigestsOf(std::string_view bytes) {
    TDigestStream md5(Kinds().md5.get());
    TDigestStream sha256(Kinds().sha256.get());
    // Piece by piece through both, so that each piece is read from memory
    // once.
    constexpr std::size_t kPiece = 64u << 10;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::string_view piece = bytes.substr(at, kPiece);
        md5.Update(piece.data(), piece.size());
        sha256.Update(piece.data(), piece.size());
    }
    return {md5.HexDigest(), sha256.HexDigest()};
}

TMessageDigests DigestsOf(const TReadAt& readAt) {
    TDigestStream md5(Kinds().md5.get());
    TDigestStream sha256(Kinds().sha256.get());
    std::vector<char> buffer(1u << 20);
    std::uint64_t at = 0;
    for (std::size_t got; (got = readAt(at, buffer.data(), buffer.size())) > 0; at += got) {
        md5.Update(buffer.data(), got);
        sha256.Update(buffer.data(), got);
    }
    return {md5.HexDigest(), sha256.HexDigest()};
}

struct TSha256::TContext {
    TDigestStream stream{Kinds().sha256.get()};
};

TSha256::TSha256() : context_(std::make_unique<TContext>()) {}

TSha256::~TSha256() = default;

void TSha256::Update(const void* bytes, std::size_t count) { context_->stream.Update(bytes, count); }

std::string TSha256::HexDigest() { return context_->stream.HexDigest(); }

}  // namespace tervaline::engine
