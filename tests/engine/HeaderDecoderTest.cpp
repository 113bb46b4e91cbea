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
        // Dates: the seconds are Python's datetime with the zone's offset.
        {"JST", "Date: Wed, 18 Jun 2003 15:02:10 JST\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 JST"}, {"date_utc", "2003-06-18T06:02:10Z"}, {"seconds", "1055916130"}}},
        {"CEST, no seconds, no day name", "Date: 18 Jun 2003 15:02 CEST\r\n", "932",
         {{"date", "18 Jun 2003 15:02 CEST"}, {"date_utc", "2003-06-18T13:02:00Z"}, {"seconds", "1055941320"}}},
        {"IST, half an hour", "Date: 18 Jun 2003 15:02:10 IST\r\n", "932",
         {{"date", "18 Jun 2003 15:02:10 IST"}, {"date_utc", "2003-06-18T09:32:10Z"}, {"seconds", "1055928730"}}},
        {"PST, and a wrong day name not trusted", "Date: Mon, 18 Jun 2003 15:02:10 PST\r\n", "932",
         {{"date", "Mon, 18 Jun 2003 15:02:10 PST"}, {"date_utc", "2003-06-18T23:02:10Z"}, {"seconds", "1055977330"}}},
        {"a military letter is -0000", "Date: Wed, 18 Jun 2003 15:02:10 A\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 A"}, {"date_utc", "2003-06-18T15:02:10Z"}, {"seconds", "1055948530"}}},
        {"a zone name nobody knows is -0000", "Date: Wed, 18 Jun 2003 15:02:10 XYZT\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 XYZT"}, {"date_utc", "2003-06-18T15:02:10Z"}, {"seconds", "1055948530"}}},
        {"a numeric zone of odd minutes, a comment naming another",
         "Date: Wed, 18 Jun 2003 15:02:10 -0430 (JST)\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 -0430 (JST)"}, {"date_utc", "2003-06-18T19:32:10Z"},
          {"seconds", "1055964730"}}},
        {"a zone written only as a comment", "Date: Wed, 18 Jun 2003 15:02:10 (JST)\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 15:02:10 (JST)"}, {"date_utc", "2003-06-18T06:02:10Z"}, {"seconds", "1055916130"}}},
        {"GMT with an offset, and a 12-hour clock", "Date: Wed, 18 Jun 2003 3:02:10 PM GMT+0900\r\n", "932",
         {{"date", "Wed, 18 Jun 2003 3:02:10 PM GMT+0900"}, {"date_utc", "2003-06-18T06:02:10Z"},
          {"seconds", "1055916130"}}},
        {"the last second before 1970", "Date: Wed, 31 Dec 1969 23:59:59 +0000\r\n", "932",
         {{"date", "Wed, 31 Dec 1969 23:59:59 +0000"}, {"date_utc", "1969-12-31T23:59:59Z"}, {"seconds", "-1"}}},
        {"a two-digit year below 50", "Date: 18 Jun 49 15:02:10 +0000\r\n", "932",
         {{"date", "18 Jun 49 15:02:10 +0000"}, {"date_utc", "2049-06-18T15:02:10Z"}, {"seconds", "2507641330"}}},
        {"a two-digit year of 50", "Date: 18 Jun 50 15:02:10 +0000\r\n", "932",
         {{"date", "18 Jun 50 15:02:10 +0000"}, {"date_utc", "1950-06-18T15:02:10Z"}, {"seconds", "-616582670"}}},
        {"a three-digit year", "Date: 18 Jun 103 15:02:10 +0000\r\n", "932",
         {{"date", "18 Jun 103 15:02:10 +0000"}, {"date_utc", "2003-06-18T15:02:10Z"}, {"seconds", "1055948530"}}},
        {"asctime's order, no zone", "Date: Wed Jun 18 15:02:10 2003\r\n", "932",
         {{"date", "Wed Jun 18 15:02:10 2003"}, {"date_utc", "2003-06-18T15:02:10Z"}, {"seconds", "1055948530"}}},
        {"a date all in numbers, day first", "Date: 18/06/2003 15:02:10 +0900\r\n", "932",
         {{"date", "18/06/2003 15:02:10 +0900"}, {"date_utc", "2003-06-18T06:02:10Z"}, {"seconds", "1055916130"}}},
        {"a day the month does not have", "Date: Sun, 30 Feb 2003 10:00:00 +0000\r\n", "932",
         {{"date", "Sun, 30 Feb 2003 10:00:00 +0000"}}},
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
