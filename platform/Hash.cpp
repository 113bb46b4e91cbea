// The hashes of a POSIX system: the crypto library's.
#include "platform/Hash.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace tervaline::platform {

namespace {

[[noreturn]] void Fail() { throw std::runtime_error("The checksum library failed"); }

// The library's implementations, looked up once: a lookup for every
// message would cost about as much as hashing it.
struct TKinds {
    struct TFree {
        void operator()(EVP_MD* p) const { EVP_MD_free(p); }
    };
    std::unique_ptr<EVP_MD, TFree> md5{EVP_MD_fetch(nullptr, "MD5", nullptr)};
    std::unique_ptr<EVP_MD, TFree> sha256{EVP_MD_fetch(nullptr, "SHA256", nullptr)};
};

const EVP_MD* Kind(EHash kind) {
    static const TKinds kinds;
    const EVP_MD* md = kind == EHash::Md5 ? kinds.md5.get() : kinds.sha256.get();
    if (md == nullptr) throw std::runtime_error("The checksum library has no MD5 or SHA-256");
    return md;
}

}  // namespace

struct THash::TState {
    struct TFree {
        void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    };
    std::unique_ptr<EVP_MD_CTX, TFree> context{EVP_MD_CTX_new()};
};

THash::THash(EHash kind) : state_(std::make_unique<TState>()) {
    if (!state_->context || EVP_DigestInit_ex2(state_->context.get(), Kind(kind), nullptr) != 1) Fail();
}

THash::~THash() = default;

void THash::Update(const void* bytes, std::size_t count) {
    if (EVP_DigestUpdate(state_->context.get(), bytes, count) != 1) Fail();
}

std::string THash::Finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(state_->context.get(), digest, &length) != 1) Fail();
    return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace tervaline::platform
