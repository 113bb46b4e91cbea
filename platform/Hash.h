// MD5 and SHA-256 from the system's own hashing service (the crypto library
// on POSIX, CNG on Windows), so that the program carries no hash code of
// its own to get wrong.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tervaline::platform {

enum class EHash { Md5, Sha256 };

// A digest of bytes that arrive in pieces. Raises std::runtime_error when
// the system's service fails or has no such hash.
class THash {
public:
    explicit THash(EHash kind);
    ~THash();
    THash(const THash&) = delete;
    THash& operator=(const THash&) = delete;

    void Update(const void* bytes, std::size_t count);
    // The digest's bytes (16 for MD5, 32 for SHA-256) of everything passed
    // to Update; the object is spent.
    std::string Finish();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

inline std::string HashOf(EHash kind, std::string_view bytes) {
    THash hash(kind);
    hash.Update(bytes.data(), bytes.size());
    return hash.Finish();
}

}  // namespace tervaline::platform
