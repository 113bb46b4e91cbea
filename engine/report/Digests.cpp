#include "engine/report/Digests.h"

#include <openssl/evp.h>

#include <stdexcept>

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

struct TSha256::TContext {
    struct TFree {
        void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    };
    std::unique_ptr<EVP_MD_CTX, TFree> context{EVP_MD_CTX_new()};
};

TSha256::TSha256() : context_(std::make_unique<TContext>()) {
    if (!context_->context || EVP_DigestInit_ex(context_->context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("The checksum library failed");
    }
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* bytes, std::size_t count) {
    if (EVP_DigestUpdate(context_->context.get(), bytes, count) != 1) {
        throw std::runtime_error("The checksum library failed");
    }
}

std::string TSha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->context.get(), digest, &length) != 1) {
        throw std::runtime_error("The checksum library failed");
    }
    return Hex(digest, length);
}

}  // namespace tervaline::engine
