#include "engine/report/StoreDigest.h"

#include <exception>
#include <system_error>
#include <vector>

#include "engine/ScanStop.h"
#include "engine/report/Digests.h"
#include "platform/FileSystem.h"

namespace tervaline::engine {

namespace {

constexpr std::size_t kPiece = 1u << 20;

}  // namespace

TStoreDigest::TStoreDigest(platform::TStoreSource& file, std::uint64_t size, const TScanStop& stop)
    : file_(file), size_(size), stop_(stop) {
    // Started last, once every member it reads exists. Without a thread the
    // store is hashed on the caller's, when the result is asked for.
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
}

TStoreDigest::~TStoreDigest() {
    abandon_.store(true);
    if (thread_.joinable()) thread_.join();
}

TStoreDigestResult TStoreDigest::Result() {
    if (thread_.joinable()) {
        thread_.join();
    } else if (digest_.empty() && failure_.empty()) {
        Run();
    }
    return {digest_, failure_};
}

void TStoreDigest::Run() noexcept {
    try {
        TSha256 sha;
        std::vector<unsigned char> piece(kPiece);
        std::uint64_t at = 0;
        while (at < size_) {
            if (abandon_.load() || stop_.SearchStopped()) {
                failure_ = "The scan was stopped before the whole store was read";
                return;
            }
            // The store's reads are positioned and keep no shared offset,
            // so this thread reads beside the scan's without disturbing it.
            const std::size_t n = file_.ReadAt(at, piece.data(), piece.size());
            if (n == 0) break;
            sha.Update(piece.data(), n);
            at += n;
        }
        digest_ = sha.HexDigest();
    } catch (const std::exception& e) {
        failure_ = e.what();
    } catch (...) {
        failure_ = "The store could not be read for its checksum";
    }
}

}  // namespace tervaline::engine
