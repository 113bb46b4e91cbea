#include "engine/MailTest.h"

#include <cstring>

#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"

namespace tervaline::engine {

TMailTest::TMailTest(platform::TComponent* owner)
    : to_(std::make_unique<regex::TAWKStr>(owner)), from_(std::make_unique<regex::TAWKStr>(owner)) {
    to_->SetRegExp(kToPattern);
    from_->SetRegExp(kFromPattern);
}

TMailTest::~TMailTest() = default;

bool TMailTest::IsMail(const std::string& text) {
    // Without a backslash byte, decoding gives the text back unchanged (or
    // fails on a final lone lead byte, which leaves the text as it is too),
    // so the copy is spared.
    const std::string* subject = &text;
    if (std::memchr(text.data(), '\\', text.size()) != nullptr) {
        try {
            regex::TAWKStr::DecodeEscapes(text, decoded_);
            subject = &decoded_;
        } catch (const regex::ERegExpParser&) {
            // Text that does not decode is still salvaged data: test it as it
            // stands rather than lose the chain.
        }
    }
    std::int32_t start = 0;
    std::int32_t length = 0;
    if (to_->Match(*subject, start, length) > 0) return true;
    return from_->Match(*subject, start, length) > 0;
}

}  // namespace tervaline::engine
