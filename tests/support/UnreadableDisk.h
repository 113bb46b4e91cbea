// TUnreadableDisk: a store on a disk with bad areas, made with the read fault
// of test builds for as long as it lives: every read of the store that
// touches a bad area fails as the disk would, and the reads are counted.
#pragma once

#ifdef TERVALINE_FAULT_INJECTION

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/ReadFault.h"

namespace tervaline::testing {

class TUnreadableDisk {
public:
    struct TArea {
        std::uint64_t Offset = 0;
        std::uint64_t Length = 0;
    };
    // A disk that has gone away from Offset on: every read there fails.
    static TArea GoneFrom(std::uint64_t offset) { return {offset, std::numeric_limits<std::uint64_t>::max() - offset}; }

    // Reads of the file at Store (every file, when empty) that touch one
    // of Bad fail with Error.
    TUnreadableDisk(std::string store, std::vector<TArea> bad, int error = EIO)
        : store_(std::move(store)), bad_(std::move(bad)), error_(error) {
        platform::SetReadFaultForTesting([this](const std::string& path, std::uint64_t offset, std::size_t count) {
            if (!store_.empty() && path != store_) return 0;
            ++reads_;
            for (const TArea& area : bad_) {
                if (offset < area.Offset + area.Length && area.Offset < offset + count) {
                    ++failed_;
                    return error_;
                }
            }
            return 0;
        });
    }
    ~TUnreadableDisk() { platform::SetReadFaultForTesting({}); }
    TUnreadableDisk(const TUnreadableDisk&) = delete;
    TUnreadableDisk& operator=(const TUnreadableDisk&) = delete;

    std::uint64_t Reads() const { return reads_; }
    std::uint64_t FailedReads() const { return failed_; }
    // The system's words for the disk's failure, as a scan quotes them.
    std::string Reason() const { return std::strerror(error_); }

private:
    const std::string store_;
    const std::vector<TArea> bad_;
    const int error_;
    std::atomic<std::uint64_t> reads_{0};
    std::atomic<std::uint64_t> failed_{0};
};

}  // namespace tervaline::testing

#endif

// A test that needs the read fault, in a build without it: it is listed
// and skipped with the reason.
#define TERVALINE_NO_FAULT_INJECTION "this build injects no read faults (TERVALINE_FAULT_INJECTION is off)"
#define TERVALINE_FAULT_INJECTION_TEST_F(fixture, name) \
    TEST_F(fixture, name) { GTEST_SKIP() << TERVALINE_NO_FAULT_INJECTION; }
#define TERVALINE_FAULT_INJECTION_TEST(suite, name) \
    TEST(suite, name) { GTEST_SKIP() << TERVALINE_NO_FAULT_INJECTION; }
