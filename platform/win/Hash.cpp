// The hashes of a Windows system: CNG's.
#include "platform/Hash.h"

#include <windows.h>
// After windows.h, which defines the types it uses.
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace tervaline::platform {

namespace {

[[noreturn]] void Fail() { throw std::runtime_error("The system's checksum service failed"); }

// An algorithm's provider, opened once for the whole program: opening one
// costs about as much as hashing a message, and CNG lets every thread
// make its hashes from the same one.
class TProvider {
public:
    explicit TProvider(LPCWSTR algorithm) {
        if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
        DWORD got = 0;
        if (handle_ != nullptr &&
            (!BCRYPT_SUCCESS(::BCryptGetProperty(handle_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength_),
                                                 sizeof objectLength_, &got, 0)) ||
             !BCRYPT_SUCCESS(::BCryptGetProperty(handle_, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&hashLength_),
                                                 sizeof hashLength_, &got, 0)))) {
            ::BCryptCloseAlgorithmProvider(handle_, 0);
            handle_ = nullptr;
        }
    }
    ~TProvider() {
        if (handle_ != nullptr) ::BCryptCloseAlgorithmProvider(handle_, 0);
    }
    TProvider(const TProvider&) = delete;
    TProvider& operator=(const TProvider&) = delete;

    BCRYPT_ALG_HANDLE Handle() const { return handle_; }
    DWORD ObjectLength() const { return objectLength_; }
    DWORD HashLength() const { return hashLength_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
    DWORD objectLength_ = 0;
    DWORD hashLength_ = 0;
};

const TProvider& Provider(EHash kind) {
    static const TProvider md5(BCRYPT_MD5_ALGORITHM);
    static const TProvider sha256(BCRYPT_SHA256_ALGORITHM);
    const TProvider& provider = kind == EHash::Md5 ? md5 : sha256;
    if (provider.Handle() == nullptr) throw std::runtime_error("The system's checksum service has no MD5 or SHA-256");
    return provider;
}

}  // namespace

struct THash::TState {
    explicit TState(const TProvider& p) : provider(p), object(p.ObjectLength()) {}
    ~TState() {
        if (hash != nullptr) ::BCryptDestroyHash(hash);
    }
    const TProvider& provider;
    std::vector<UCHAR> object;  // the hash's state, which CNG keeps in the caller's memory
    BCRYPT_HASH_HANDLE hash = nullptr;
};

THash::THash(EHash kind) : state_(std::make_unique<TState>(Provider(kind))) {
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(state_->provider.Handle(), &state_->hash, state_->object.data(),
                                           static_cast<ULONG>(state_->object.size()), nullptr, 0, 0))) {
        state_->hash = nullptr;
        Fail();
    }
}

THash::~THash() = default;

void THash::Update(const void* bytes, std::size_t count) {
    // CNG takes a 32-bit count.
    constexpr std::size_t kMostAtOnce = 1u << 30;
    const auto* at = static_cast<const UCHAR*>(bytes);
    while (count > 0) {
        const std::size_t n = std::min(count, kMostAtOnce);
        if (!BCRYPT_SUCCESS(::BCryptHashData(state_->hash, const_cast<PUCHAR>(at), static_cast<ULONG>(n), 0))) Fail();
        at += n;
        count -= n;
    }
}

std::string THash::Finish() {
    std::string digest(state_->provider.HashLength(), '\0');
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(state_->hash, reinterpret_cast<PUCHAR>(digest.data()),
                                           static_cast<ULONG>(digest.size()), 0))) {
        Fail();
    }
    return digest;
}

}  // namespace tervaline::platform
