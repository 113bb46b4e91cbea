#include <gtest/gtest.h>

#include "cli/ScanOptions.h"
#include "engine/SalvageRecording.h"
#include "platform/XmlWriter.h"

namespace tervaline::cli {
namespace {

TEST(ScanOptions, DefaultsAndEveryOption) {
    auto o = ParseScanOptions({"in.dbx"});
    EXPECT_EQ(o.Store, "in.dbx");
    EXPECT_EQ(o.Output, "");
    EXPECT_EQ(o.Trash, "trash");
    EXPECT_EQ(o.Mode, engine::TScanMode::Shallow);
    EXPECT_EQ(o.BufferKB, 10);
    EXPECT_FALSE(o.Quiet);
    EXPECT_EQ(o.Report, engine::SalvageRecordingBuilt());
    EXPECT_EQ(o.Mbox, "");
    EXPECT_EQ(o.CodePage, "932");

    o = ParseScanOptions({"--mode", "bottom", "--buffer", "5000", "--trash", "junk", "--quiet", "in.dbx", "out"});
    EXPECT_EQ(o.Mode, engine::TScanMode::Bottom);
    EXPECT_EQ(o.BufferKB, 5000);
    EXPECT_EQ(o.Trash, "junk");
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ(o.Output, "out");

    EXPECT_FALSE(ParseScanOptions({"--report", "--no-report", "in.dbx"}).Report);
    if (engine::SalvageRecordingBuilt()) {
        o = ParseScanOptions({"--no-report", "--mbox", "all.mbox", "--code-page", "1252", "in.dbx"});
        EXPECT_FALSE(o.Report);
        EXPECT_EQ(o.Mbox, "all.mbox");
        EXPECT_EQ(o.CodePage, "1252");
        EXPECT_TRUE(ParseScanOptions({"--no-report", "--report", "x"}).Report);
        EXPECT_EQ(ParseScanOptions({"--code-page", "ISO-8859-1", "x"}).CodePage, "ISO-8859-1");
        o = ParseScanOptions({"--bodyfile", "t.body", "a b's.dbx"});
        EXPECT_EQ(o.BodyFile, "t.body");
        // Quoted so that a shell takes it back as it was given.
        EXPECT_EQ(o.CommandLine, "tervaline-scan --bodyfile t.body 'a b'\\''s.dbx'");
    }
    if (engine::SalvageRecordingBuilt() && platform::XmlWriterBuilt()) {
        o = ParseScanOptions({"--forensic", "--dfxml", "d.xml", "x"});
        EXPECT_TRUE(o.Forensic);
        EXPECT_EQ(o.Dfxml, "d.xml");
    }

    EXPECT_EQ(ParseScanOptions({"--mode", "deep", "x"}).Mode, engine::TScanMode::Deep);
    EXPECT_EQ(ParseScanOptions({"--", "-odd.dbx"}).Store, "-odd.dbx");
    EXPECT_EQ(ParseScanOptions({"--help"}).Action, TAction::Help);
    EXPECT_EQ(ParseScanOptions({"--version", "x"}).Action, TAction::Version);
}

TEST(ScanOptions, BadUsageSaysWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    std::vector<Case> cases = {
        {{}, "no store"},
        {{"a", "b", "c"}, "not expected: c"},
        {{"--mode", "deeper", "a"}, "shallow, bottom or deep"},
        {{"--buffer", "7", "a"}, "--buffer: takes one of"},
        {{"--buffer"}, "--buffer: 1 required"},
        {{"--trash", "a/b", "x"}, "takes the name of a folder inside OUTPUT"},
        {{"--trash", "..", "x"}, "takes the name of a folder inside OUTPUT"},
        {{"--trash", "../", "x"}, "takes the name of a folder inside OUTPUT"},
        {{"--trash", ".", "x"}, "takes the name of a folder inside OUTPUT"},
        {{"--trash", "/", "x"}, "takes the name of a folder inside OUTPUT"},
        {{"--frobnicate", "a"}, "not expected: --frobnicate"},
        {{"--mbox"}, "--mbox: 1 required"},
    };
    if (engine::SalvageRecordingBuilt()) {
        cases.push_back({{"--code-page", "no-such-charset", "a"}, "names no code page"});
        cases.push_back({{"--mbox", "", "a"}, "needs a file name"});
        cases.push_back({{"--bodyfile", "", "a"}, "needs a file name"});
    } else {
        // What only the report serves is refused in so many words, not
        // silently left undone.
        cases.push_back({{"--report", "a"}, "--report: this build of tervaline-scan writes no report"});
        cases.push_back({{"--mbox", "all.mbox", "a"}, "writes no report and no mbox file"});
        cases.push_back({{"--code-page", "932", "a"}, "writes no report and no mbox file"});
    }
    if (!platform::XmlWriterBuilt()) {
        cases.push_back({{"--dfxml", "d.xml", "a"}, "does not write DFXML"});
        cases.push_back({{"--forensic", "a"}, "does not write DFXML"});
    } else if (engine::SalvageRecordingBuilt()) {
        cases.push_back({{"--dfxml", "", "a"}, "needs a file name"});
        cases.push_back({{"--forensic", "--no-report", "a"}, "--forensic writes the report"});
    }
    for (const Case& c : cases) {
        try {
            ParseScanOptions(c.args);
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const EUsage& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ParseScanOptions({"--trash", "junk/", "x"}).Trash, "junk/");
}

}  // namespace
}  // namespace tervaline::cli
