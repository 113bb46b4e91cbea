// The report's header fields decoded to UTF-8 from every encoding a store
// holds, and the date of a message as a moment in UTC.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/report/HeaderDecoder.h"
#include "engine/report/HeaderSection.h"

namespace tervaline::engine {
namespace {

TEST(HeaderFields, DecodedToUtf8FromEveryEncodingAStoreHolds) {
    struct TCase {
        const char* what;
        std::string header;
        const char* codePage;
        // The fields that are not empty; every other one must be.
        std::map<std::string, std::string> expected;
    };
    const std::vector<TCase> cases = {
        {"ISO-2022-JP encoded word", "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n", "932",
         {{"subject", "会議の件"}}},
        {"Shift_JIS raw bytes", "From: \x83\x65\x83\x58\x83\x67 <t@example.jp>\r\nSubject: \x93\xfa\x96\x7b\r\n", "932",
         {{"from", "テスト <t@example.jp>"}, {"subject", "日本"}}},
        {"UTF-8 encoded words, B and Q, adjacent",
         "Subject: =?UTF-8?B?w6l0w6k=?= =?UTF-8?Q?_caf=C3=A9?=\r\nCc: =?utf-8?q?Andr=C3=A9?= <a@example.fr>\r\n",
         "932", {{"cc", "André <a@example.fr>"}, {"subject", "été café"}}},
        {"a broken encoded word stays as written", "Subject: =?UTF-8?B?broken and more\r\n", "932",
         {{"subject", "=?UTF-8?B?broken and more"}}},
        {"an encoded word in a charset nobody knows gives its bytes", "Subject: =?X-NOTHING?Q?abc?=\r\n", "932",
         {{"subject", "abc"}}},
        {"raw bytes in the code page chosen", "Subject: caf\xe9\r\n", "1252", {{"subject", "café"}}},
        {"folded fields, names in any case, the first of each", "SUBJECT: one\r\n\t two\r\nsubject: again\r\n"
                                                               "message-id:\r\n <x@y>\r\n",
         "932", {{"subject", "one two"}, {"message_id", "<x@y>"}}},
        {"LF line ends, the body not read", "To: b@c\n\nSubject: body\n", "932", {{"to", "b@c"}}},
        {"a line that is no field ends the header section", "To: b@c\r\ngarbage line\r\nSubject: later\r\n",
         "932", {{"to", "b@c"}}},
        {"a fragment's text has no fields", "ontinued text of a body\r\nFrom: x@y\r\n", "932", {}},
        {"a date in another zone", "Date: Wed, 18 Jun 2003 15:02:10 +0900\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 +0900"}, {"date_utc", "2003-06-18T06:02:10Z"}, {"seconds", "1055916130"}}},
        {"an obsolete zone name and a two-digit year", "Date: 1 Feb 99 23:59:59 EST\r\n", "932",
         {{"date", "1 Feb 99 23:59:59 EST"}, {"date_utc", "1999-02-02T04:59:59Z"}, {"seconds", "917931599"}}},
        {"a date that does not parse keeps its text", "Date: someday soon\r\n", "932", {{"date", "someday soon"}}},
    };
    for (const TCase& c : cases) {
        const THeaderDecoder decoder(CodePageCharset(c.codePage));
        const THeaderFields got = decoder.Decode(ReadHeaderSection(c.header));
        const std::map<std::string, std::string> all = {
            {"date", got.Date}, {"date_utc", got.DateUtc},
            {"seconds", got.DateSeconds ? std::to_string(*got.DateSeconds) : ""},
            {"from", got.From}, {"to", got.To}, {"cc", got.Cc}, {"subject", got.Subject},
            {"message_id", got.MessageId}};
        for (const auto& [field, value] : all) {
            const auto wanted = c.expected.find(field);
            EXPECT_EQ(value, wanted == c.expected.end() ? "" : wanted->second) << c.what << ": " << field;
        }
    }
    EXPECT_EQ(CodePageCharset("932"), "CP932");
    EXPECT_EQ(CodePageCharset("no-such-charset"), "");
    const THeaderDecoder decoder("CP932");
    EXPECT_EQ(decoder.FirstAddress("=?UTF-8?Q?Andr=C3=A9?= <andre@example.fr>, b@c"), "andre@example.fr");
    EXPECT_EQ(decoder.FirstAddress("undisclosed-recipients:;"), "");
}

}  // namespace
}  // namespace tervaline::engine
