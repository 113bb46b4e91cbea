#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace tervaline::platform {
namespace {

TEST(CodePage, LocaleNamesSelectTheDoubleByteTableOnlyForShiftJis) {
    struct Case {
        const char* locale;
        int codePage;
    };
    const Case cases[] = {
        {"ja_JP.SJIS", kCodePage932},      {"ja_JP.Shift_JIS", kCodePage932}, {"ja_JP.shift-jis", kCodePage932},
        {"ja_JP.CP932@euro", kCodePage932}, {"ja_JP.UTF-8", kSingleByteCodePage}, {"C", kSingleByteCodePage},
        {"en_US.ISO-8859-1", kSingleByteCodePage}, {"", kSingleByteCodePage},
    };
    for (const Case& c : cases) EXPECT_EQ(CodePageFromLocaleName(c.locale), c.codePage) << c.locale;
}

TEST(CodePage, LeadAndTrailBytesOf932AreExactlyTheirRanges) {
    TCodePageScope scope(kCodePage932);
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const bool trail = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
        EXPECT_EQ(IsDBCSLeadByte(static_cast<std::uint8_t>(b)), lead) << b;
        EXPECT_EQ(IsDBCSTrailByte(static_cast<std::uint8_t>(b)), trail) << b;
    }
}

TEST(CodePage, SingleBytePageHasNoLeadBytesAndScopeRestores) {
    SetActiveCodePage(kCodePage932);
    {
        TCodePageScope scope(kSingleByteCodePage);
        for (int b = 0; b < 256; ++b) EXPECT_FALSE(IsDBCSLeadByte(static_cast<std::uint8_t>(b)));
    }
    EXPECT_EQ(ActiveCodePage(), kCodePage932);
    SetActiveCodePage(kSingleByteCodePage);
}

}  // namespace
}  // namespace tervaline::platform
