// The salvage report and the mbox file: header fields decoded from every
// kind of encoding a damaged store holds, mboxrd quoting, checksums against
// their published values, and a whole Deep scan whose report, checksums,
// file times and mbox are checked against the files themselves with tools
// of their own (coreutils, Python) where the system has them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/MessageFileName.h"
#include "engine/report/Digests.h"
#include "engine/report/HeaderDecoder.h"
#include "engine/report/HeaderSection.h"
#include "engine/report/MboxWriter.h"
#include "engine/report/SalvageReport.h"
#include "platform/XmlWriter.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnreadableDisk.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::CommandOutput;
using testing::ReadFileBytes;
using testing::ShellQuote;
using testing::TTempDir;
using tools::TStoreBuilder;

// The checksums of the file at Path by coreutils; on Windows, which has no
// such tool at hand (nor Python), by DigestsOf, which the Digests test holds
// to the published values.
TMessageDigests FileDigests(const std::string& path) {
    if (!TERVALINE_POSIX) return DigestsOf(ReadFileBytes(path));
    return {CommandOutput("md5sum " + ShellQuote(path)).substr(0, 32),
            CommandOutput("sha256sum " + ShellQuote(path)).substr(0, 64)};
}

// Why a check is left to tools/compare-windows-salvage.sh on Windows.
constexpr const char* kNoPythonHere =
    "Python's readers are not at hand on Windows; tools/compare-windows-salvage.sh holds this build's report "
    "and mbox file to the Linux build's";

// Text with each CR that stands before an LF dropped.
std::string WithLfLineEnds(std::string text) {
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
    return text;
}

TEST(Mbox, QuotesEveryLineThatWouldStartOrUnquoteAMessage) {
    struct TCase {
        std::string message;
        std::string quoted;
    };
    const std::vector<TCase> cases = {
        {"From: a@b\r\n\r\nFrom here\r\n", "From: a@b\r\n\r\n>From here\r\n"},
        {"x\n>From a\n>>From b\nFromage\n From c\n", "x\n>>From a\n>>>From b\nFromage\n From c\n"},
        {"From a\nno line break at the end", ">From a\nno line break at the end\n"},
        {"a\rFrom b\r\n", "a\rFrom b\r\n"},
        {"a\r\r\nb\r", "a\r\r\nb\r\n"},
        {">>>Fro\n>\nFrom", ">>>Fro\n>\nFrom\n"},
        {">>From x\n", ">>>From x\n"},
        {"", ""},
    };
    // In the file, a CR before LF is dropped: mbox readers want LF alone.
    const auto lfOnly = [](std::string text) { return WithLfLineEnds(text); };
    for (const TCase& c : cases) {
        EXPECT_EQ(TMboxWriter::Quoted(c.message), lfOnly(c.quoted)) << c.message;
        for (std::size_t piece = 1; piece <= 3; ++piece) {
            std::string out;
            TLfLineEnds lines([&out](std::string_view s) { out.append(s); });
            for (std::size_t at = 0; at < c.quoted.size(); at += piece) lines.Feed(std::string_view(c.quoted).substr(at, piece));
            lines.Finish();
            EXPECT_EQ(out, lfOnly(c.quoted)) << c.message << " in pieces of " << piece;
        }
        // A message written from its file arrives in pieces, which may cut a
        // line anywhere, even inside ">From ".
        for (std::size_t cut = 0; cut <= c.message.size(); ++cut) {
            for (std::size_t piece : {std::size_t{1}, std::size_t{3}, c.message.size() + 1}) {
                std::string out;
                TMboxQuoter quoter([&out](std::string_view s) { out.append(s); });
                quoter.Feed(std::string_view(c.message).substr(0, cut));
                for (std::size_t at = cut; at < c.message.size(); at += piece) {
                    quoter.Feed(std::string_view(c.message).substr(at, piece));
                }
                quoter.Finish();
                ASSERT_EQ(out, c.quoted) << c.message << " cut at " << cut << ", pieces of " << piece;
            }
        }
    }
    EXPECT_EQ(TMboxWriter::FromLine("a@b", 1055916130), "From a@b Wed Jun 18 06:02:10 2003\n");
    EXPECT_EQ(TMboxWriter::FromLine("", 0), "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\n");
}

// The system's hashes, whole, in pieces and streamed, against the values
// RFC 1321 and FIPS 180-2 publish.
TEST(Digests, MatchThePublishedValuesWholeAndInPieces) {
    struct TCase {
        std::string text;
        const char* md5;
        const char* sha256;
    };
    const std::vector<TCase> cases = {
        {"", "d41d8cd98f00b204e9800998ecf8427e", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "8215ef0796a20bcaaae116d3876c664a",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const TCase& c : cases) {
        const std::string what = c.text.substr(0, 20) + " (" + std::to_string(c.text.size()) + " bytes)";
        const TMessageDigests whole = DigestsOf(c.text);
        EXPECT_EQ(whole.Md5, c.md5) << what;
        EXPECT_EQ(whole.Sha256, c.sha256) << what;
        // Read back in pieces of an odd size, as from a spilled file.
        const TMessageDigests read = DigestsOf([&c](std::uint64_t at, char* dest, std::size_t count) {
            const std::string_view rest = std::string_view(c.text).substr(static_cast<std::size_t>(at));
            const std::string_view piece = rest.substr(0, std::min<std::size_t>(count, 65537));
            std::copy(piece.begin(), piece.end(), dest);
            return piece.size();
        });
        EXPECT_EQ(read.Md5, c.md5) << what;
        EXPECT_EQ(read.Sha256, c.sha256) << what;
        TSha256 streamed;
        for (std::size_t at = 0, n = 1; at < c.text.size(); at += n, n = n * 3 % 1000 + 1) {
            streamed.Update(c.text.data() + at, std::min(n, c.text.size() - at));
        }
        EXPECT_EQ(streamed.HexDigest(), c.sha256) << what;
    }
}

// A Deep scan of a store with messages in several charsets, a deleted
// one, a fragment, a cut-off one and a duplicate.
class SalvageReport : public ::testing::Test {
protected:
    void SetUp() override {
        TStoreBuilder store(true);
        const auto add = [&](const std::string& text) {
            starts_.push_back(store.AddMessage(text));
            texts_.push_back(text);
        };
        add("From: yamada@example.jp\r\nTo: suzuki@example.jp\r\n"
            "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n"
            "Date: Wed, 18 Jun 2003 15:02:10 +0900\r\nMessage-ID: <1@example.jp>\r\n\r\nbody\r\n");
        add("From: \x83\x65\x83\x58\x83\x67 <test@example.jp>\r\nTo: a@example.jp\r\n"
            "Subject: \x93\xfa\x96\x7b\r\n\r\nFrom the start of a line\r\n>From quoted\r\n");
        add("From: \"=?UTF-8?Q?Andr=C3=A9?=\" <andre@example.fr>\r\nTo: b@example.org\r\n"
            "Cc: =?UTF-8?B?w6l0w6k=?= <c@example.org>\r\nSubject: =?UTF-8?B?broken, and \"quoted\"\r\n"
            "Date: 1 Feb 99 23:59:59 EST\r\n\r\n" + tools::MakeMailText(3, 1200));
        add(texts_[0]);  // the same message again

        // A deleted message, which comes back into the deleted folder.
        const std::string deleted = tools::MakeMailText(5, 700);
        std::vector<tools::TBlockSpec> blocks = TStoreBuilder::ChainBlocks(store.End(), deleted);
        TStoreBuilder::MarkDeleted(blocks);
        deletedAt_ = store.End();
        store.AddBlocks(blocks);
        // A message whose first block header is gone: its tail is a fragment.
        const std::string headless = tools::MakeMailText(6, 1300);
        fragmentAt_ = store.AddMessage(headless) + 528;
        store.Patch(fragmentAt_ - 528, std::string(16, '\x7f'));
        // A message whose second block was overwritten: cut off after one.
        const std::string cut = tools::MakeMailText(7, 900);
        cutAt_ = store.AddMessage(cut);
        store.Patch(cutAt_ + 528, std::string(16, '\x7f'));
        store.AddZeros(600);
        store.WriteTo(dir_ / "Inbox.dbx");
    }

    testing::TScanRun Run(const std::string& mbox) {
        testing::TScanSetup setup;
        setup.HashStore = true;
        setup.Source = dir_ / "Inbox.dbx";
        setup.Output = dir_ / "out";
        setup.Mode = TScanMode::Deep;
        setup.Report = true;
        setup.Mbox = mbox;
        return testing::RunScan(setup);
    }
    std::string Out(const std::string& file) const { return dir_ / ("out/" + file); }
    static std::string Name(std::uint64_t at) { return MessageFileName(at, 0); }

    TTempDir dir_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::string> texts_;
    std::uint32_t deletedAt_ = 0, fragmentAt_ = 0, cutAt_ = 0;
};

TEST_F(SalvageReport, RowsHoldTheDecodedFieldsStatusesRangesAndTheFilesChecksums) {
    const auto run = Run("");
    ASSERT_EQ(run.Outcome.ReportFailure, "");
    const json report = json::parse(ReadFileBytes(Out("report.json")));
    const json& head = report["head"];
    EXPECT_EQ(head["outcome"], "completed");
    EXPECT_EQ(head["mode"], "deep");
    EXPECT_EQ(head["store"]["sha256"], FileDigests(dir_ / "Inbox.dbx").Sha256);
    EXPECT_EQ(head["counts"]["output"].get<int>() + head["counts"]["trash"].get<int>() +
                  head["counts"]["deleted"].get<int>(),
              static_cast<int>(run.Found.size()));

    std::map<std::string, json> rows;
    for (const json& row : report["messages"]) rows[row["file"]] = row;
    ASSERT_EQ(rows.size(), run.Found.size());
    // Every row's checksums and size are its file's.
    for (const auto& [file, row] : rows) {
        const std::string path = Out(file);
        const TMessageDigests digests = FileDigests(path);
        EXPECT_EQ(row["md5"], digests.Md5) << file;
        EXPECT_EQ(row["sha256"], digests.Sha256) << file;
        EXPECT_EQ(row["size"], fs::file_size(path)) << file;
    }

    const json& japanese = rows.at(Name(starts_[0]));
    EXPECT_EQ(japanese["status"], "complete");
    EXPECT_EQ(japanese["place"], "output");
    EXPECT_EQ(japanese["subject"], "会議の件");
    EXPECT_EQ(japanese["date_utc"], "2003-06-18T06:02:10Z");
    EXPECT_EQ(japanese["message_id"], "<1@example.jp>");
    EXPECT_EQ(japanese["read"], json::parse(R"([{"offset": 10964, "length": )" +
                                            std::to_string(16 + texts_[0].size()) + "}]"));
    EXPECT_TRUE(japanese["duplicate_of"].is_null());
    EXPECT_EQ(rows.at(Name(starts_[3]))["duplicate_of"], Name(starts_[0]));
    struct stat st {};
    ASSERT_EQ(::stat(Out(Name(starts_[0])).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1055916130);

    const json& shiftJis = rows.at(Name(starts_[1]));
    EXPECT_EQ(shiftJis["from"], "テスト <test@example.jp>");
    EXPECT_EQ(shiftJis["subject"], "日本");
    EXPECT_TRUE(shiftJis["date"].is_null());
    EXPECT_TRUE(shiftJis["date_utc"].is_null());

    const json& utf8 = rows.at(Name(starts_[2]));
    EXPECT_EQ(utf8["cc"], "été <c@example.org>");
    EXPECT_EQ(utf8["subject"], "=?UTF-8?B?broken, and \"quoted\"");
    EXPECT_EQ(utf8["blocks"], 3);
    EXPECT_EQ(utf8["date_utc"], "1999-02-02T04:59:59Z");

    const json& deleted = rows.at("deleted/" + Name(deletedAt_));
    EXPECT_EQ(deleted["status"], "deleted");
    EXPECT_EQ(deleted["place"], "deleted");
    EXPECT_EQ(deleted["lost"], json::parse("[{\"offset\": " + std::to_string(deletedAt_ + 16) +
                                           ", \"length\": 4}, {\"offset\": " + std::to_string(deletedAt_ + 544) +
                                           ", \"length\": 4}]"));

    const json& fragment = rows.at("trash/" + Name(fragmentAt_));
    EXPECT_EQ(fragment["status"], "fragment");
    EXPECT_EQ(fragment["from"], "");
    EXPECT_EQ(fragment["blocks"], 2);

    const json& cut = rows.at(Name(cutAt_));
    EXPECT_EQ(cut["status"], "truncated");
    EXPECT_EQ(cut["blocks"], 1);
    EXPECT_EQ(cut["read"], json::parse("[{\"offset\": " + std::to_string(cutAt_) + ", \"length\": 528}]"));

    // A spreadsheet on Windows reads UTF-8 only behind its mark.
    EXPECT_EQ(ReadFileBytes(Out("report.csv")).substr(0, 3), "\xEF\xBB\xBF");
    if (!TERVALINE_POSIX) GTEST_SKIP() << kNoPythonHere;
    // The CSV holds the same rows, read back by a reader of its own.
    const std::string script = "import csv, json, sys\n"
                               "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8-sig')))\n"
                               "print(json.dumps(rows))\n";
    testing::WriteFileBytes(dir_ / "readcsv.py", script);
    const std::string csvJson =
        CommandOutput("python3 " + ShellQuote(dir_ / "readcsv.py") + " " + ShellQuote(Out("report.csv")));
    ASSERT_FALSE(csvJson.empty()) << "python3 is needed";
    const json csv = json::parse(csvJson);
    ASSERT_EQ(csv.size(), rows.size() + 1);
    EXPECT_EQ(csv[0][0], "file");
    for (std::size_t i = 1; i < csv.size(); ++i) {
        const json& row = rows.at(csv[i][0].get<std::string>());
        EXPECT_EQ(csv[i][2], row["status"]);
        EXPECT_EQ(csv[i][8], row["md5"]);
        EXPECT_EQ(csv[i][12], CsvCellText(row["from"]));
        EXPECT_EQ(csv[i][15], CsvCellText(row["subject"]));
        EXPECT_EQ(csv[i][17], row["duplicate_of"].is_null() ? "" : row["duplicate_of"]);
    }
}

TEST_F(SalvageReport, MboxHoldsExactlyTheOutputFoldersMessagesInOffsetOrder) {
    const std::string mbox = dir_ / "all.mbox";
    const auto run = Run(mbox);
    ASSERT_EQ(run.Outcome.ReportFailure, "");
    // The copy of the first message is left out of the mbox file only.
    std::vector<std::string> messages = testing::ListMessageFiles(dir_.Path() / "out");
    ASSERT_EQ(std::count(messages.begin(), messages.end(), Name(starts_[3])), 1);
    messages.erase(std::find(messages.begin(), messages.end(), Name(starts_[3])));
    EXPECT_NE(ReadFileBytes(mbox).find("\n>>From quoted\n"), std::string::npos);
    const json report = json::parse(ReadFileBytes(Out("report.json")));
    EXPECT_EQ(report["head"]["mbox"]["messages"], messages.size());
    EXPECT_EQ(report["head"]["mbox"]["copies_left_out"], 1);
    if (!TERVALINE_POSIX) GTEST_SKIP() << kNoPythonHere;
    // Python's reader splits the file; each message is unquoted the mboxrd
    // way and written out for comparison.
    const std::string script = "import mailbox, re, sys\n"
                               "box = mailbox.mbox(sys.argv[1], create=False)\n"
                               "for i, key in enumerate(box.keys()):\n"
                               "    data = re.sub(rb'(?m)^>(>*From )', rb'\\1', box.get_bytes(key))\n"
                               "    open('%s/%03d.bin' % (sys.argv[2], i), 'wb').write(data)\n"
                               "print(len(box))\n";
    testing::WriteFileBytes(dir_ / "readmbox.py", script);
    fs::create_directories(dir_.Path() / "parsed");
    const std::string count = CommandOutput("python3 " + ShellQuote(dir_ / "readmbox.py") + " " + ShellQuote(mbox) +
                                            " " + ShellQuote(dir_ / "parsed"));
    ASSERT_FALSE(count.empty()) << "python3 is needed";
    ASSERT_EQ(std::stoul(count), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        char parsed[32];
        std::snprintf(parsed, sizeof parsed, "%03zu.bin", i);
        std::string expected = ReadFileBytes(Out(messages[i]));
        // A line break ends every message in an mbox file, and every line
        // ends in LF alone there.
        if (expected.back() != '\n') expected += '\n';
        EXPECT_EQ(ReadFileBytes(dir_.Path() / "parsed" / parsed), WithLfLineEnds(expected)) << messages[i];
    }
}

// A message file swapped for a link to another file the moment it is
// written: the report, the mbox and the file's date still come from the
// bytes the scan wrote, and the link's target is neither read nor touched.
TEST_F(SalvageReport, RecordsTheBytesWrittenNotWhatTheirNameLeadsToLater) {
    const std::string secret = dir_ / "secret.txt";
    testing::WriteFileBytes(secret, "From: boss@example.org\r\nDate: Tue, 1 Jan 2002 00:00:00 +0000\r\n\r\nsecret\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(secret.c_str(), &before), 0);
    testing::TScanSetup setup;
    setup.Source = dir_ / "Inbox.dbx";
    setup.Output = dir_ / "out";
    setup.Report = true;
    setup.Mbox = dir_ / "all.mbox";
    setup.OnFoundHook = [&](TDBXScanThread&, const TFoundMessage& found) {
        const std::uint64_t at = found.Address;
        if (at != starts_[0]) return;
        const std::string path = found.Path;
        fs::remove(path);
        fs::create_symlink(secret, path);
    };
    const auto run = testing::RunScan(setup);
    ASSERT_EQ(run.Outcome.ReportFailure, "");
    const json report = json::parse(ReadFileBytes(Out("report.json")));
    // The store's own digest is asked for apart, and the head says so.
    EXPECT_TRUE(report["head"]["store"]["sha256"].is_null());
    EXPECT_EQ(report["head"]["store"]["sha256_missing"], "not asked for");
    bool seen = false;
    for (const json& row : report["messages"]) {
        if (row["file"] != Name(starts_[0])) continue;
        seen = true;
        EXPECT_EQ(row["sha256"], DigestsOf(texts_[0]).Sha256);
        EXPECT_EQ(row["subject"], "会議の件");
    }
    EXPECT_TRUE(seen);
    const std::string mbox = ReadFileBytes(dir_ / "all.mbox");
    EXPECT_EQ(mbox.find("secret"), std::string::npos);
    EXPECT_NE(mbox.find(WithLfLineEnds(texts_[0]).substr(0, 200)), std::string::npos);
    struct stat after {};
    ASSERT_EQ(::stat(secret.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
}

// What the disk could not read is named twice: in the head, each area once
// with the system's reason, and in the row of the message it cut, among the
// bytes lost and apart, in both files and in every mode.
#ifdef TERVALINE_FAULT_INJECTION
TEST(SalvageReportFiles, UnreadableAreasAreInTheHeadAndInTheRowsOfTheMessagesTheyCut) {
    TTempDir dir;
    TStoreBuilder store(true);
    const std::uint32_t whole = store.AddMessage(tools::MakeMailText(1, 700));
    const std::uint32_t cut = store.AddMessage(tools::MakeMailText(2, 1400));
    store.AddZeros(2000);
    store.WriteTo(dir / "Inbox.dbx");
    // The first sector that holds data of the cut message's second block
    // and nothing of its header.
    const std::uint32_t second = cut + 528;
    const std::uint64_t sector = (second + 16 + 511) / 512 * 512;
    const std::uint64_t lost = second + 528 - sector;
    const testing::TUnreadableDisk disk(dir / "Inbox.dbx", {{sector, 512}});
    const std::string ranges = "[{\"offset\": " + std::to_string(sector) + ", \"length\": " + std::to_string(lost) + "}]";
    for (TScanMode mode : {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Deep}) {
        SCOPED_TRACE(ScanModeName(mode));
        testing::TScanSetup setup;
        setup.Source = dir / "Inbox.dbx";
        setup.Output = dir / ScanModeName(mode);
        setup.Mode = mode;
        setup.Report = true;
        if (platform::XmlWriterBuilt()) setup.Dfxml = dir / (std::string(ScanModeName(mode)) + ".xml");
        const auto run = testing::RunScan(setup);
        ASSERT_EQ(run.Outcome.ReportFailure, "");
        // What the disk could not read is in no byte run: the DFXML file
        // says where it cut the message.
        if (platform::XmlWriterBuilt()) {
            EXPECT_NE(ReadFileBytes(setup.Dfxml).find("<error>the chain was cut where the disk could not read the "
                                                      "store: " + std::to_string(sector) + "+" +
                                                      std::to_string(lost) + "</error>"),
                      std::string::npos);
        }
        const json report = json::parse(ReadFileBytes(dir / (std::string(ScanModeName(mode)) + "/report.json")));
        EXPECT_EQ(report["head"]["unreadable"],
                  json::parse("[{\"offset\": " + std::to_string(sector) + ", \"length\": 512, \"reason\": " +
                              json(disk.Reason()).dump() + "}]"));
        // The scan read on to the end of the store.
        EXPECT_EQ(report["head"]["outcome"], "completed");
        std::map<std::string, json> rows;
        for (const json& row : report["messages"]) rows[row["file"]] = row;
        const json& wholeRow = rows.at(MessageFileName(whole, 0));
        EXPECT_EQ(wholeRow["lost"], json::array());
        EXPECT_EQ(wholeRow["lost_unreadable"], json::array());
        const json& cutRow = rows.at(MessageFileName(cut, 0));
        EXPECT_EQ(cutRow["status"], "truncated");
        EXPECT_EQ(cutRow["blocks"], 1);
        EXPECT_EQ(cutRow["lost"], json::parse(ranges));
        EXPECT_EQ(cutRow["lost_unreadable"], json::parse(ranges));
        // The CSV's later columns come after the earlier ones, where no
        // reader of those meets them.
        const std::string csv = ReadFileBytes(dir / (std::string(ScanModeName(mode)) + "/report.csv"));
        EXPECT_NE(csv.find(",duplicate_of,lost_unreadable,folder,found_by,flags,received,saved\r\n"),
                  std::string::npos);
        const std::string cells = "," + std::to_string(sector) + "+" + std::to_string(lost);
        EXPECT_NE(csv.find(cells + ","), std::string::npos) << csv;
        EXPECT_NE(csv.find(cells + ",Inbox,chain only,,,\r\n"), std::string::npos) << csv;
    }
}
#else
TERVALINE_FAULT_INJECTION_TEST(SalvageReportFiles, UnreadableAreasAreInTheHeadAndInTheRowsOfTheMessagesTheyCut)
#endif

TEST(SalvageReportFiles, CsvCellsStayTextInASpreadsheet) {
    struct TCase {
        std::string text;
        std::string cell;
    };
    const std::vector<TCase> cases = {
        {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
        {"+1", "'+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\\x09=1"},
        {"a\x1b$B\x01" "b\x7f", "a\\x1B$B\\x01b\\x7F"},
        {"mid=dle - and @", "mid=dle - and @"},
        {"", ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(CsvCellText(c.text), c.cell) << c.text;
    TReportRow row;
    row.File = "0000535C.eml";
    row.Place = "output";
    row.Header.Subject = "=1+2, \"q\"";
    const std::string line = TSalvageReport::CsvLine(row);
    EXPECT_NE(line.find(",\"'=1+2, \"\"q\"\"\","), std::string::npos) << line;
}

}  // namespace
}  // namespace tervaline::engine
