// TMailTest: whether a reassembled chain is mail, that is, whether its text
// (escape sequences decoded, up to its first NUL) has a To: or From: line
// with an at sign after the colon.
#pragma once

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

private:
    std::unique_ptr<regex::TAWKStr> to_;
    std::unique_ptr<regex::TAWKStr> from_;
    std::string decoded_;  // kept between calls to spare an allocation
};

}  // namespace tervaline::engine
