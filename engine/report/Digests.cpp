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

std::string OneShot(std::string_view bytes, const EVP_MD* kind) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, kind, nullptr) != 1) {
        throw std::runtime_error("The checksum library failed");
    }
    return Hex(digest, length);
}

}  // namespace

TMessageDigests DigestsOf(std::string_view bytes) { return {OneShot(bytes, EVP_md5()), OneShot(bytes, EVP_sha256())}; }

namespace {

// A digest of bytes that arrive in pieces.
class TDigestStream {
public:
    explicit TDigestStream(const EVP_MD* kind) {
        if (!context_ || EVP_DigestInit_ex(context_.get(), kind, nullptr) != 1) {
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

TMessageDigests DigestsOf(const TReadAt& readAt) {
    TDigestStream md5(EVP_md5());
    TDigestStream sha256(EVP_sha256());
    std::vector<char> buffer(1u << 20);
    std::uint64_t at = 0;
    for (std::size_t got; (got = readAt(at, buffer.data(), buffer.size())) > 0; at += got) {
        md5.Update(buffer.data(), got);
        sha256.Update(buffer.data(), got);
    }
    return {md5.HexDigest(), sha256.HexDigest()};
}

struct TSha256::TContext {
    TDigestStream stream{EVP_sha256()};
};

TSha256::TSha256() : context_(std::make_unique<TContext>()) {}

TSha256::~TSha256() = default;

void TSha256::Update(const void* bytes, std::size_t count) { context_->stream.Update(bytes, count); }

std::string TSha256::HexDigest() { return context_->stream.HexDigest(); }

}  // namespace tervaline::engine
