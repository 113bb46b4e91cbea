// TStoreDigest: SHA-256 of the whole store for the report's head, read and
// hashed on a thread of its own while the scan runs, so that on a machine
// with a core to spare it costs the scan no time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/SalvageRecording.h"

namespace tervaline::platform {
class TStoreSource;
}

namespace tervaline::engine {

class TScanStop;

class TStoreDigest final : public TStoreHashing {
public:
    // Starts reading File, of Size bytes, from its start. File and Stop
    // must outlive the digest; a stop request makes it give up.
    TStoreDigest(platform::TStoreSource& file, std::uint64_t size, const TScanStop& stop);
    // Gives up and waits for the thread.
    ~TStoreDigest() override;
    TStoreDigest(const TStoreDigest&) = delete;
    TStoreDigest& operator=(const TStoreDigest&) = delete;

    // Waits for the whole store to be hashed: its digest, or why a stop or
    // a failed read ended the reading first.
    TStoreDigestResult Result() override;

private:
    void Run() noexcept;

    platform::TStoreSource& file_;
    const std::uint64_t size_;
    const TScanStop& stop_;
    std::atomic<bool> abandon_{false};
    // Written by the thread, read after it has been joined.
    std::string digest_;
    std::string failure_;
    std::thread thread_;
};

}  // namespace tervaline::engine
