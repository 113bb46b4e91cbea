// What an examiner's run leaves beside the messages, checked with the
// examiner's own tools: the DFXML file validates against the DFXML schema
// and its byte runs, read back from the store, rebuild every message file
// byte for byte; mactime reads the body file into the timeline expected.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/MessageFileName.h"
#include "engine/MessagePlace.h"
#include "engine/report/BodyFile.h"
#include "engine/report/Digests.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

namespace fs = std::filesystem;
using testing::CommandOutput;
using testing::ReadFileBytes;
using testing::ShellQuote;
using testing::TTempDir;
using tools::TBlockSpec;
using tools::TStoreBuilder;

struct TRun {
    std::uint64_t FileOffset = 0;
    std::uint64_t Length = 0;
    std::optional<std::uint64_t> ImgOffset;
    std::string Fill;
    bool operator==(const TRun&) const = default;
};

struct TFileObject {
    std::string Name;
    std::uint64_t Size = 0;
    std::vector<TRun> Runs;
    std::map<std::string, std::string> Digests;  // by type
    std::string FoundBy;
};

std::string Attr(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr) return {};
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

std::string Content(xmlNode* node) {
    xmlChar* value = xmlNodeGetContent(node);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

bool Is(xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(node->name)) == name;
}

struct TDfxml {
    std::map<std::string, std::string> Head;  // element or attribute name: text, of the head and the end
    std::vector<TFileObject> Files;
};

TDfxml ReadDfxml(const std::string& path) {
    TDfxml dfxml;
    const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET),
                                                         xmlFreeDoc);
    if (!doc) return dfxml;
    for (xmlNode* top = xmlDocGetRootElement(doc.get())->children; top; top = top->next) {
        if (Is(top, "fileobject")) {
            TFileObject f;
            for (xmlNode* n = top->children; n; n = n->next) {
                if (Is(n, "filename")) f.Name = Content(n);
                if (Is(n, "filesize")) f.Size = std::stoull(Content(n));
                if (Is(n, "hashdigest")) f.Digests[Attr(n, "type")] = Content(n);
                if (Is(n, "found_by")) f.FoundBy = Content(n);
                if (!Is(n, "byte_runs")) continue;
                for (xmlNode* r = n->children; r; r = r->next) {
                    if (!Is(r, "byte_run")) continue;
                    TRun run{std::stoull(Attr(r, "file_offset")), std::stoull(Attr(r, "len")), {}, Attr(r, "fill")};
                    if (!Attr(r, "img_offset").empty()) run.ImgOffset = std::stoull(Attr(r, "img_offset"));
                    f.Runs.push_back(run);
                }
            }
            dfxml.Files.push_back(f);
            continue;
        }
        // The head's and the end's texts, a level or two down.
        for (xmlNode* n = top->children; n; n = n->next) {
            if (n->type != XML_ELEMENT_NODE) continue;
            dfxml.Head[reinterpret_cast<const char*>(n->name)] = Content(n);
            for (xmlNode* m = n->children; m; m = m->next) {
                if (m->type == XML_ELEMENT_NODE) dfxml.Head[reinterpret_cast<const char*>(m->name)] = Content(m);
            }
        }
        if (Is(top, "source")) dfxml.Head["access"] = Attr(top, "access");
    }
    return dfxml;
}

constexpr std::uint32_t kBlock = 528;

// A Deep scan of a store grown, compacted and damaged: a message in two
// runs of blocks, a deleted one, one without a Date, a bar in a subject,
// raw 8-bit bytes in another, and a store whose name is no UTF-8.
TEST(ExaminerFiles, DfxmlValidatesAndRebuildsEveryMessageAndMactimeReadsTheBodyFile) {
    TTempDir dir;
    TStoreBuilder store(true);
    const std::string whole = "From: a@example.org\r\nTo: b@example.org\r\nSubject: Lunch | plans\r\n"
                              "Date: Tue, 17 Jun 2003 00:12:44 +0000\r\n\r\n" + tools::MakeMailText(1, 700);
    const std::uint32_t wholeAt = store.AddMessage(whole);
    store.AddNoise(900, 2);

    const std::string split = "From: c@example.org\r\nTo: d@example.org\r\nSubject: two runs\r\n"
                              "Date: Wed, 11 Jun 2003 01:43:00 +0000\r\n\r\n" + tools::MakeMailText(3, 1300);
    const std::uint32_t splitAt = store.End();
    const std::uint32_t tailAt = splitAt + 2 * kBlock + 700;
    const std::vector<TBlockSpec> splitBlocks =
        TStoreBuilder::ChainBlocksAt({splitAt, splitAt + kBlock, tailAt}, split);
    store.AddBlocks({splitBlocks[0], splitBlocks[1]});
    store.AddNoise(700, 4);
    store.AddBlocks({splitBlocks[2]});

    const std::string deleted = "From: e@example.org\r\nTo: f@example.org\r\nSubject: \xE9t\xE9\r\n"
                                "Date: Mon, 16 Jun 2003 01:36:00 +0000\r\n\r\n" + tools::MakeMailText(5, 700);
    const std::uint32_t deletedAt = store.End();
    std::vector<TBlockSpec> deletedBlocks = TStoreBuilder::ChainBlocks(deletedAt, deleted);
    TStoreBuilder::MarkDeleted(deletedBlocks);
    store.AddBlocks(deletedBlocks);

    const std::uint32_t undatedAt = store.AddMessage("From: g@example.org\r\nTo: h@example.org\r\n\r\nundated\r\n");
    store.AddZeros(300);
    const std::string storePath = dir / "store\x01\xFF.dbx";
    store.WriteTo(storePath);

    testing::TScanSetup setup;
    setup.Source = storePath;
    setup.Output = dir / "out";
    setup.Mode = TScanMode::Deep;
    setup.Forensic = true;
    setup.CommandLine = "tervaline-scan --forensic --mode deep store.dbx";
    const testing::TScanRun run = testing::RunScan(setup);
    ASSERT_EQ(run.Outcome.FailureText, "");
    ASSERT_EQ(run.Outcome.ReportFailure, "");
    const std::string out = dir / "out";
    const std::string xml = out + "/report.xml";

    const std::string validation = CommandOutput("xmllint --noout --schema " + ShellQuote(TERVALINE_DFXML_SCHEMA) +
                                                 " " + ShellQuote(xml) + " 2>&1");
    EXPECT_NE(validation.find(" validates"), std::string::npos) << validation;

    const TDfxml dfxml = ReadDfxml(xml);
    const std::string storeBytes = ReadFileBytes(storePath);
    EXPECT_EQ(dfxml.Head.at("command_line"), setup.CommandLine);
    EXPECT_EQ(dfxml.Head.at("store_sha256"), DigestsOf(storeBytes).Sha256);
    // The bytes no text can carry are shown as U+FFFD.
    EXPECT_EQ(dfxml.Head.at("image_filename"), dir / "store\xEF\xBF\xBD\xEF\xBF\xBD.dbx");
    EXPECT_EQ(dfxml.Head.at("access"), "opened read-only; never written");
    EXPECT_EQ(nlohmann::json::parse(ReadFileBytes(out + "/report.json"))["head"]["store"]["access"],
              "opened read-only; never written");
    EXPECT_EQ(nlohmann::json::parse(ReadFileBytes(out + "/report.json"))["head"]["store"]["sha256"],
              DigestsOf(storeBytes).Sha256);

    std::size_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        written += entry.path().extension() == ".eml" ? 1 : 0;
    }
    EXPECT_EQ(dfxml.Files.size(), written);
    ASSERT_EQ(written, 4u);
    std::map<std::string, const TFileObject*> byName;
    for (const TFileObject& f : dfxml.Files) {
        byName[f.Name] = &f;
        const std::string bytes = ReadFileBytes(out + "/" + f.Name);
        std::string rebuilt;
        for (const TRun& r : f.Runs) {
            ASSERT_EQ(r.FileOffset, rebuilt.size()) << f.Name;
            if (r.ImgOffset) {
                rebuilt += storeBytes.substr(*r.ImgOffset, r.Length);
            } else {
                ASSERT_EQ(r.Fill.size(), 1u) << f.Name;
                rebuilt += std::string(r.Length, r.Fill[0]);
            }
        }
        EXPECT_EQ(rebuilt, bytes) << f.Name;
        EXPECT_EQ(f.Size, bytes.size()) << f.Name;
        EXPECT_EQ(f.Digests.at("md5"), DigestsOf(bytes).Md5) << f.Name;
        EXPECT_EQ(f.Digests.at("sha256"), DigestsOf(bytes).Sha256) << f.Name;
    }
    // Each block's data is a run of its own, a header standing between;
    // the bytes a deletion overwrote are filled, and said to be.
    const auto runsOf = [&](const std::string& name) {
        return byName.count(name) ? byName.at(name)->Runs : std::vector<TRun>{};
    };
    const std::uint64_t splitTail = split.size() - 1024;
    EXPECT_EQ(runsOf(MessageFileName(splitAt, 0)),
              (std::vector<TRun>{{0, 512, splitAt + 16, ""},
                                 {512, 512, splitAt + kBlock + 16, ""},
                                 {1024, splitTail, tailAt + 16, ""}}));
    const std::string deletedName = std::string(kDeletedFolderName) + "/" + MessageFileName(deletedAt, 0);
    const std::uint64_t deletedTail = TStoreBuilder::UndeletedText(deleted).size() - 516;
    EXPECT_EQ(runsOf(deletedName), (std::vector<TRun>{{0, 4, std::nullopt, "-"},
                                                       {4, 508, deletedAt + 20, ""},
                                                       {512, 4, std::nullopt, "-"},
                                                       {516, deletedTail, deletedAt + kBlock + 20, ""}}));
    ASSERT_TRUE(byName.count(deletedName));
    EXPECT_EQ(byName.at(deletedName)->FoundBy, "deleted");
    EXPECT_EQ(byName.at(MessageFileName(wholeAt, 0))->FoundBy, "chain only");

    // mactime's timeline in UTC: each dated message modified at its Date,
    // named with its subject; a bar, which would end the field, escaped.
    const std::string timeline =
        CommandOutput("mactime -b " + ShellQuote(out + "/bodyfile.txt") + " -d -y -z UTC 2>&1");
    const auto hasLine = [&](const std::string& begin, const std::string& part) {
        for (std::size_t at = 0; at < timeline.size();) {
            const std::size_t stop = std::min(timeline.find('\n', at), timeline.size());
            const std::string_view line(timeline.data() + at, stop - at);
            if (line.starts_with(begin) && line.find(part) != std::string_view::npos) return true;
            at = stop + 1;
        }
        return false;
    };
    const auto meta = [](std::uint32_t offset, const std::string& name) {
        return ",0,0," + std::to_string(offset) + ",\"" + name + "\"";
    };
    EXPECT_TRUE(hasLine("2003-06-17T00:12:44Z," + std::to_string(whole.size()) + ",m...,",
                        meta(wholeAt, MessageFileName(wholeAt, 0) + " (Lunch \\x7C plans)")))
        << timeline;
    EXPECT_TRUE(hasLine("2003-06-11T01:43:00Z,", meta(splitAt, MessageFileName(splitAt, 0) + " (two runs)")))
        << timeline;
    EXPECT_TRUE(hasLine("2003-06-16T01:36:00Z,", ",0,0," + std::to_string(deletedAt) + ",\"" + deletedName))
        << timeline;
    // A message of no known time is in the body file, but in no timeline.
    const std::string body = ReadFileBytes(out + "/bodyfile.txt");
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 4);
    EXPECT_NE(body.find("|" + std::to_string(undatedAt) + "|"), std::string::npos);
    EXPECT_EQ(timeline.find("," + std::to_string(undatedAt) + ","), std::string::npos);
}

// Which of a message's times goes to which of the body file's, and what a
// name must not carry into the line.
TEST(ExaminerFiles, BodyFileLinePutsEachTimeInItsPlace) {
    struct Case {
        TBodyFileEntry entry;
        const char* line;
    };
    const Case cases[] = {
        {{"d41d8cd98f00b204e9800998ecf8427e", "a.eml", "", 10964, 0640, 12, 1000, 3000, 2000},
         "d41d8cd98f00b204e9800998ecf8427e|a.eml|10964|r/rrw-r-----|0|0|12|0|1000|2000|3000\n"},
        // A time before 1970 is none to a timeline tool.
        {{"x", "trash/b.eml", "a|b\\c\td", 1, 0600, 0, -5, std::nullopt, std::nullopt},
         "x|trash/b.eml (a\\x7Cb\\x5Cc\\x09d)|1|r/rrw-------|0|0|0|0|0|0|0\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(TBodyFile::Line(c.entry), c.line);
}

}  // namespace
}  // namespace tervaline::engine
