// The checksums the salvage report documents: MD5 and SHA-256 of each
// message file, and SHA-256 of the store, in lowercase hexadecimal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tervaline::platform {
class THash;
}

namespace tervaline::engine {

struct TMessageDigests {
    std::string Md5;
    std::string Sha256;
};

TMessageDigests DigestsOf(std::string_view bytes);

// The same of bytes read in pieces by ReadAt, which fills Dest with up to
// Count bytes from Offset and returns how many, 0 at the end.
using TReadAt = std::function<std::size_t(std::uint64_t offset, char* dest, std::size_t count)>;
TMessageDigests DigestsOf(const TReadAt& readAt);

// SHA-256 of bytes that arrive in pieces.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Update(const void* bytes, std::size_t count);
    // The digest of everything passed to Update; the object is spent.
    std::string HexDigest();

private:
    std::unique_ptr<platform::THash> hash_;
};

}  // namespace tervaline::engine
