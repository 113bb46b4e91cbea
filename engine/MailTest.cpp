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

bool TMailTest::IsMailByWindows(const TRead& read, std::size_t window,
                                const std::function<bool(const std::string&)>& isMail) {
    std::string text;
    for (std::uint64_t at = 0;;) {
        text.resize(window);
        const std::size_t got = read(at, text.data(), window);
        text.resize(got);
        if (got == 0) return false;
        // The test sees no further than the first NUL, nor does this.
        const std::size_t nul = text.find('\0');
        if (nul != std::string::npos) {
            text.resize(nul);
            return isMail(text);
        }
        if (isMail(text)) return true;
        if (got < window) return false;
        // No match lies across a line break, and a line break is never the
        // second byte of a character: the next window begins with the line
        // this one cut, unless it had no break at all.
        const std::size_t lastBreak = text.find_last_of("\r\n");
        at += lastBreak == std::string::npos ? got : lastBreak + 1;
    }
}

}  // namespace tervaline::engine
