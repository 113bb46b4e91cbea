#include "cli/ScanOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <memory>

#include "engine/SalvageRecording.h"
#include "platform/PathSyntax.h"
#include "platform/XmlWriter.h"

namespace tervaline::cli {

namespace {

// The sizes the window offers; anything else is refused rather than
// silently rounded.
constexpr std::array<std::int32_t, 8> kBufferSizesKB{1, 5, 10, 50, 100, 500, 1000, 5000};

struct TModeName {
    const char* name;
    engine::TScanMode mode;
};
constexpr TModeName kModes[] = {
    {"shallow", engine::TScanMode::Shallow},
    {"bottom", engine::TScanMode::Bottom},
    {"deep", engine::TScanMode::Deep},
};

// Why a build made without the report (TERVALINE_REPORT off) refuses what
// only the report serves.
constexpr const char* kNoRecording =
    "this build of tervaline-scan writes no report and no mbox file: it was made without them";

// The arguments as a shell would take them back: each one that holds more
// than plain characters in single quotes.
std::string CommandLineOf(const std::vector<std::string>& args) {
    std::string line = "tervaline-scan";
    for (const std::string& arg : args) {
        line.push_back(' ');
        const bool plain = !arg.empty() && arg.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                  "0123456789-_./=:,+@%") == std::string::npos;
        if (plain) {
            line += arg;
            continue;
        }
        line.push_back('\'');
        for (const char c : arg) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line.push_back('\'');
    }
    return line;
}

// Where this build writes no DFXML, what asks for it is refused with the
// platform's words.
std::string DfxmlRefusal() {
    if (!engine::SalvageRecordingBuilt()) return kNoRecording;
    if (!platform::XmlWriterBuilt()) return platform::XmlWriterMissing();
    return {};
}

// A validator whose Check returns the reason a value is refused, empty
// when it is taken.
CLI::Validator Rule(std::function<std::string(const std::string&)> check) {
    return CLI::Validator([check = std::move(check)](std::string& value) { return check(value); }, "");
}

// The command line's shape; Options receives what it holds.
std::unique_ptr<CLI::App> MakeApp(TScanOptions& options, std::string& mode, bool& version) {
    auto app = std::make_unique<CLI::App>(
        "Salvages the messages of a damaged mail store (.dbx) into OUTPUT, one XXXXXXXX.eml file per "
        "message, named by its offset in the store. Chains without a To: or From: line holding an "
        "address go to a trash subfolder of OUTPUT. OUTPUT defaults to STORE without its extension "
        "(STORE.salvaged when that would be STORE itself or its folder). A file already in OUTPUT is "
        "never replaced: a message meeting other bytes under its name is written beside them as "
        "NAME~1.eml. When STORE is a folder, every *.dbx in it is scanned, each into OUTPUT/NAME (OUTPUT defaults "
        "to STORE itself). " +
            std::string(engine::SalvageRecordingBuilt()
                            ? "Each scan writes report.csv and report.json into its output folder."
                            : "This build writes no report (report.csv, report.json) and no mbox file."),
        "tervaline-scan");
    app->set_help_flag("-h,--help", "show this text");
    app->add_flag("--version", version, "show the version");
    app->add_option("STORE", options.Store, "the store, or a folder of stores");
    app->add_option("OUTPUT", options.Output, "the output folder");
    app->add_option("--trash", options.Trash, "name of the trash subfolder (default: trash)")
        ->type_name("NAME")
        ->check(Rule([](const std::string& value) -> std::string {
            if (value.empty()) return "needs a folder name";
            // A trailing separator is dropped later; what is left must name a
            // folder inside OUTPUT.
            std::string name = value;
            if (name.back() == '/') name.pop_back();
            if (!platform::IsSingleFolderName(platform::TPathSyntax::Posix, name)) {
                return "takes the name of a folder inside OUTPUT, not \"" + value + "\"";
            }
            return {};
        }));
    app->add_option("--mode", mode,
                     "shallow (default), bottom or deep; bottom examines every byte and finds blocks that no "
                     "longer stand where recorded; deep also follows each block's pointer to the next, "
                     "wherever it lies, and undeletes messages (into a deleted subfolder of OUTPUT)")
        ->type_name("MODE")
        ->check(Rule([](const std::string& value) -> std::string {
            for (const TModeName& m : kModes) {
                if (value == m.name) return {};
            }
            return "takes shallow, bottom or deep, not \"" + value + "\"";
        }));
    app->add_option("--buffer", options.BufferKB, "read buffer in KB: 1, 5, 10 (default), 50, 100, 500, 1000, 5000")
        ->type_name("KB")
        ->check(Rule([](const std::string& value) -> std::string {
            for (std::int32_t kb : kBufferSizesKB) {
                if (value == std::to_string(kb)) return {};
            }
            return "takes one of 1, 5, 10, 50, 100, 500, 1000, 5000 (KB), not \"" + value + "\"";
        }));
    app->add_flag("-q,--quiet", options.Quiet, "print only the count and failures");
    app->add_flag("--report,!--no-report", options.Report,
                  engine::SalvageRecordingBuilt()
                      ? "write report.csv and report.json into the output folder (default), or not"
                      : "not in this build, which writes no report");
    app->add_flag("--hash-store", options.HashStore,
                  "also put the store's SHA-256 in the report: the whole store is read once more, which takes "
                  "longer than the rest of the report")
        ->check(Rule([](const std::string&) -> std::string {
            return engine::SalvageRecordingBuilt() ? std::string() : kNoRecording;
        }));
    app->add_option("--mbox", options.Mbox,
                    "also write the output folder's messages, in offset order, into FILE in the mboxrd form; "
                    "for a folder of stores FILE is a folder that receives NAME.mbox for each")
        ->type_name("FILE")
        ->check(Rule([](const std::string& value) -> std::string {
            if (!engine::SalvageRecordingBuilt()) return kNoRecording;
            return value.empty() ? "needs a file name" : std::string();
        }));
    app->add_flag("--mbox-all", options.MboxAll,
                  "put every message into the mbox file, also one byte-identical to a message already in it "
                  "(by default such copies are left out of the mbox file; the .eml files and the report keep "
                  "every copy)");
    app->add_option("--code-page", options.CodePage,
                    "code page of raw 8-bit header bytes in the report: a number (default 932) or a "
                    "charset name the system knows")
        ->type_name("NAME")
        ->check(Rule([](const std::string& value) -> std::string {
            if (!engine::SalvageRecordingBuilt()) return kNoRecording;
            if (!engine::IsKnownCodePage(value)) return "names no code page known here: \"" + value + "\"";
            return {};
        }));
    app->add_option("--dfxml", options.Dfxml,
                    "also describe the messages written in DFXML in FILE: each file's byte runs in the store, "
                    "its digests and how it was found; for a folder of stores FILE is a folder that receives "
                    "NAME.xml for each")
        ->type_name("FILE")
        ->check(Rule([](const std::string& value) -> std::string {
            const std::string refusal = DfxmlRefusal();
            if (!refusal.empty()) return refusal;
            return value.empty() ? "needs a file name" : std::string();
        }));
    app->add_option("--bodyfile", options.BodyFile,
                    "also list the messages written in FILE as a body file for timeline tools (mactime); for "
                    "a folder of stores FILE is a folder that receives NAME.body for each")
        ->type_name("FILE")
        ->check(Rule([](const std::string& value) -> std::string {
            if (!engine::SalvageRecordingBuilt()) return kNoRecording;
            return value.empty() ? "needs a file name" : std::string();
        }));
    app->add_flag("--forensic", options.Forensic,
                  "an examiner's run: the report with the store's SHA-256 (--hash-store) and the statement "
                  "that the store was opened read-only and never written, report.xml (DFXML) and "
                  "bodyfile.txt in the output folder, unless --dfxml or --bodyfile name other files")
        ->check(Rule([](const std::string&) -> std::string { return DfxmlRefusal(); }));
    app->footer(
        "Exit status: 0 scan completed, 1 scan failed or messages, the report or the mbox file could not be "
        "written, 2 bad usage, 130 stopped by Ctrl-C, 129 by SIGHUP, 143 by SIGTERM. For a folder of stores, "
        "the worst of its scans.");
    return app;
}

}  // namespace

std::string UsageText() {
    TScanOptions options;
    std::string mode;
    bool version = false;
    return MakeApp(options, mode, version)->help();
}

TScanOptions ParseScanOptions(const std::vector<std::string>& args) {
    TScanOptions options;
    std::string mode;
    bool version = false;
    const auto app = MakeApp(options, mode, version);
    // The library takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        options.Action = TAction::Help;
        return options;
    } catch (const CLI::ParseError& e) {
        throw EUsage(e.what());
    }
    for (const TModeName& m : kModes) {
        if (mode == m.name) options.Mode = m.mode;
    }
    if (version) {
        options.Action = TAction::Version;
        return options;
    }
    if (options.Report && !engine::SalvageRecordingBuilt()) throw EUsage(std::string("--report: ") + kNoRecording);
    if (options.Forensic && !options.Report) {
        throw EUsage("--forensic writes the report, which --no-report leaves out");
    }
    options.CommandLine = CommandLineOf(args);
    if (app->count("STORE") == 0) throw EUsage("no store given");
    if (options.Store.empty()) throw EUsage("the store's path is empty");
    return options;
}

}  // namespace tervaline::cli
