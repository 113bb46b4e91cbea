// TMailTest: whether a reassembled chain is mail, that is, whether its text
// (escape sequences decoded, up to its first NUL) has a To: or From: line
// with an at sign after the colon.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Component.h"

namespace tervaline::regex {
class TAWKStr;
}

namespace tervaline::engine {

class TMailTest {
public:
    static constexpr const char* kToPattern = "[Tt][Oo]:.*@";
    static constexpr const char* kFromPattern = "[Ff][Rr][Oo][Mm]:.*@";

    // Compiles both patterns once; the pattern objects name Owner as their
    // owner and are released with this test.
    explicit TMailTest(platform::TComponent* owner);
    ~TMailTest();
    TMailTest(const TMailTest&) = delete;
    TMailTest& operator=(const TMailTest&) = delete;

    bool IsMail(const std::string& text);

    // Whether a text too long to hold in memory is mail, by a test (IsMail)
    // of one window of at most Window bytes after another, read by Read
    // (offset, destination, count; returns the bytes read, fewer only at
    // the end). Every window after the first begins with the last line the
    // one before held, and none goes past the first NUL, so the answer is
    // that of a test of the whole text whenever the line that passes is
    // shorter than a window. A text of at most Window bytes is one window.
    using TRead = std::function<std::size_t(std::uint64_t offset, char* dest, std::size_t count)>;
    static bool IsMailByWindows(const TRead& read, std::size_t window,
                                const std::function<bool(const std::string&)>& isMail);

private:
    std::unique_ptr<regex::TAWKStr> to_;
    std::unique_ptr<regex::TAWKStr> from_;
    std::string decoded_;  // kept between calls to spare an allocation
};

}  // namespace tervaline::engine
