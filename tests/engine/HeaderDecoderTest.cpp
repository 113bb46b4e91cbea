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
        // Adjacent words of one charset are one text: their bytes are joined
        // before the charset is read, whatever cut them.
        {"words padded with '=' each, in one charset",
         "Subject: =?UTF-8?B?R3LDvMOfZQ==?= =?UTF-8?B?IGF1cyBLw7Zsbg==?=\r\n", "932",
         {{"subject", "Grüße aus Köln"}}},
        {"a UTF-8 character cut between a B and a Q word, the charset named in two cases",
         "Subject: =?UTF-8?B?S8M=?= =?utf-8?q?=B6ln?=\r\n", "932", {{"subject", "Köln"}}},
        {"an ISO-2022-JP subject in three words, the escape and the run it starts cut apart",
         "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?= =?ISO-2022-JP?B?GyQ=?=\r\n"
         " =?iso-2022-jp?Q?B$N7o$K$D$$$F=1B(B?=\r\n",
         "932", {{"subject", "会議の件について"}}},
        {"words among text, glued to it or not; blanks between words of two charsets dropped",
         "Subject: Re:=?UTF-8?Q?caf=C3=A9?=, =?UTF-8?Q?th=C3=A9?= and =?UTF-8?B?w6k=?=\r\n"
         "To: =?ISO-8859-1?Q?caf=E9?= =?UTF-8?Q?=E2=82=AC?= ok <a@b>\r\n",
         "932", {{"subject", "Re:café, thé and é"}, {"to", "café€ ok <a@b>"}}},
        {"an RFC 2231 language after the charset, lower-case b",
         "Subject: =?utf-8*ja?b?5pel5pys?=\r\n", "932", {{"subject", "日本"}}},
        {"bytes no charset reads give U+FFFD, one each",
         "Subject: =?X-NOTHING?Q?caf=E9?=\r\nTo: =?UTF-8?Q?a=FFb?= <a@b>\r\n", "932",
         {{"subject", "caf\uFFFD"}, {"to", "a\uFFFDb <a@b>"}}},
        {"a word with a bad base64 letter or an unknown encoding stays as written",
         "Subject: =?UTF-8?B?w6!l?= =?UTF-8?X?abc?=\r\n", "932", {{"subject", "=?UTF-8?B?w6!l?= =?UTF-8?X?abc?="}}},
        {"Latin-1 and ASCII labels read as Windows-1252, as Windows programs meant them",
         "Subject: =?iso-8859-1?Q?=93Gr=FC=DFe=94_=80?=\r\nTo: =?us-ascii?Q?=80?= <a@b>\r\n", "932",
         {{"subject", "“Grüße” €"}, {"to", "€ <a@b>"}}},
        // Where Windows' code pages and the C library's converters read a
        // charset apart, the report reads it as the latter on both systems.
        {"a hole of Windows-1252, a tone mark joined to its letter and the last letter kept, UTF-8 past U+10FFFF",
         "Subject: =?windows-1252?Q?a=81b?=\r\nTo: =?windows-1258?Q?Vi=EA=F2t?= <a@b>\r\n"
         "Cc: =?UTF-8?Q?a=F4=90=80=80b?= <a@b>\r\n",
         "932", {{"subject", "a\uFFFDb"}, {"to", "Vi\u1EC7t <a@b>"}, {"cc", "a\uFFFD\uFFFD\uFFFD\uFFFDb <a@b>"}}},
        {"Chinese, Korean, Ukrainian and Greek labels, GB2312 without what GBK added to it",
         "Subject: =?gb2312?B?1tDOxKKh?=\r\nTo: =?big5?B?pKSk5Q==?= <a@b>\r\nCc: =?euc-kr?B?x9GxuQ==?= <a@b>\r\n"
         "From: =?koi8-u?Q?=AE?= =?iso-8859-7?Q?=A4?= <a@b>\r\n",
         "932",
         {{"subject", "中文\uFFFD\uFFFD"}, {"to", "中文 <a@b>"}, {"cc", "한국 <a@b>"}, {"from", "╝€ <a@b>"}}},
        {"raw bytes in a DOS code page named by its number", "Subject: \x8F\xE0\xA8\xA2\xA5\xE2\r\n", "866",
         {{"subject", "Привет"}}},
        // The Japanese test text holds NEC row 13 (①, ㈱) and an IBM row 92
        // kanji (髙), which Windows writes and the standard tables lack.
        // Their CP932 bytes are Python's 'cp932' codec's. The ISO-2022-JP
        // bytes are the inverse of the JIS-to-Shift_JIS arithmetic applied to
        // them by hand (87 40 -> 2D 21, 89 EF -> 32 71, 8B 63 -> 35 44,
        // 87 8A -> 2D 6A, EE E0 -> 7C 62, 8B B4 -> 36 36), row 13 checked
        // against Python's 'iso2022_jp_2004' (JIS X 0213 keeps it in place);
        // EUC-JP is those JIS bytes with the high bit set.
        {"Shift_JIS under each label Japanese mail uses, read as CP932",
         "Subject: =?Shift_JIS?B?h0CJ74tjh4o=?=\r\nFrom: =?x-sjis?Q?=87@=89=EF=8Bc=87=8A?= <a@b>\r\n"
         "To: =?sjis?B?h0CJ74tjh4o=?= <a@b>\r\nCc: =?SHIFT-JIS?B?h0CJ74tjh4o=?= <a@b>\r\n",
         "1252",
         {{"subject", "①会議㈱"}, {"from", "①会議㈱ <a@b>"}, {"to", "①会議㈱ <a@b>"}, {"cc", "①会議㈱ <a@b>"}}},
        {"ISO-2022-JP and EUC-JP with the NEC and IBM rows",
         "Subject: =?ISO-2022-JP?B?GyRCLSEycTVELWobKEI=?=\r\nTo: =?ISO-2022-JP?B?GyRCfGI2NhsoQg==?= <a@b>\r\n"
         "Cc: =?EUC-JP?B?raGy8bXEreo=?= <a@b>\r\n",
         "932", {{"subject", "①会議㈱"}, {"to", "髙橋 <a@b>"}, {"cc", "①会議㈱ <a@b>"}}},
        {"raw ISO-2022-JP, half-width katakana and a space left in a two-byte run",
         "Subject: Re: \x1b$B-!2q5D\x1b(B \x1b(I1\x1b(B\r\nTo: \x1b$B2q 5D\x1b(B <a@b>\r\n", "1252",
         {{"subject", "Re: ①会議 ｱ"}, {"to", "会 議 <a@b>"}}},
        {"raw 8-bit bytes judged field by field: UTF-8 where they are, else the code page",
         "From: \x83\x65\x83\x58\x83\x67 <t@example.jp>\r\n"
         "Subject: Gr\xc3\xbc\xc3\x9f" "e =?UTF-8?Q?aus_K=C3=B6ln?=\r\n",
         "932", {{"from", "テスト <t@example.jp>"}, {"subject", "Grüße aus Köln"}}},
        {"raw UTF-8 whatever the code page", "Subject: caf\xc3\xa9\r\n", "1252", {{"subject", "café"}}},
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
    const std::pair<const char*, const char*> addresses[] = {
        {"\"Doe, John\" <j@example.com>, k@example.com", "j@example.com"},
        {"(the boss, really) boss@example.com (Boss)", "boss@example.com"},
        {"team: x@example.com, y@example.com;", "x@example.com"},
        {"no address here, <also@>", "also@"},
        {"\"a <fake@x>\" <real@example.com>", "real@example.com"},
        {"Name <with blank@example.com>, next@example.com", "next@example.com"},
        {"", ""},
    };
    for (const auto& [field, address] : addresses) EXPECT_EQ(decoder.FirstAddress(field), address) << field;
}

}  // namespace
}  // namespace tervaline::engine
