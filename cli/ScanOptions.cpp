#include "cli/ScanOptions.h"

#include <algorithm>
#include <array>

#include "platform/PathSyntax.h"

namespace tervaline::cli {

namespace {

// The sizes the window offers; anything else is refused rather than
// silently rounded.
constexpr std::array<std::int32_t, 8> kBufferSizesKB{1, 5, 10, 50, 100, 500, 1000, 5000};

std::int32_t ParseBufferKB(const std::string& text) {
    for (std::int32_t kb : kBufferSizesKB) {
        if (text == std::to_string(kb)) return kb;
    }
    throw EUsage("--buffer takes one of 1, 5, 10, 50, 100, 500, 1000, 5000 (KB), not \"" + text + "\"");
}

}  // namespace

std::string UsageText() {
    return "usage: tervaline-scan [options] STORE [OUTPUT]\n"
           "\n"
           "Salvages the messages of a damaged mail store (.dbx) into OUTPUT, one\n"
           "XXXXXXXX.eml file per message, named by its offset in the store.\n"
           "Chains without a To: or From: line holding an address go to a trash\n"
           "subfolder of OUTPUT. OUTPUT defaults to STORE without its extension\n"
           "(STORE.salvaged when that would be STORE itself or its folder). A file\n"
           "already in OUTPUT is never replaced: a message meeting other bytes\n"
           "under its name is written beside them as NAME~1.eml.\n"
           "\n"
           "options:\n"
           "  --trash NAME     name of the trash subfolder (default: trash)\n"
           "  --mode MODE      shallow (default), bottom or deep; bottom examines every\n"
           "                   byte and finds blocks that no longer stand where\n"
           "                   recorded; deep also follows each block's pointer to\n"
           "                   the next, wherever it lies, and undeletes messages\n"
           "                   (into a deleted subfolder of OUTPUT)\n"
           "  --buffer KB      read buffer: 1, 5, 10 (default), 50, 100, 500, 1000, 5000\n"
           "  --quiet          print only the count and failures\n"
           "  --help           show this text\n"
           "  --version        show the version\n"
           "\n"
           "exit status: 0 scan completed, 1 scan failed or messages could not be\n"
           "written, 2 bad usage, 130 stopped by Ctrl-C, 129 by SIGHUP, 143 by\n"
           "SIGTERM\n";
}

TScanOptions ParseScanOptions(const std::vector<std::string>& args) {
    TScanOptions options;
    std::vector<std::string> positional;
    auto valueOf = [&args](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw EUsage(args[i] + " needs a value");
        return args[++i];
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.Action = TAction::Help;
        } else if (arg == "--version") {
            options.Action = TAction::Version;
        } else if (arg == "--quiet" || arg == "-q") {
            options.Quiet = true;
        } else if (arg == "--trash") {
            options.Trash = valueOf(i);
            if (options.Trash.empty()) throw EUsage("--trash needs a folder name");
            // A trailing separator is dropped later; what is left must name a
            // folder inside OUTPUT.
            std::string name = options.Trash;
            if (name.back() == '/') name.pop_back();
            if (!platform::IsSingleFolderName(platform::TPathSyntax::Posix, name)) {
                throw EUsage("--trash takes the name of a folder inside OUTPUT, not \"" + options.Trash + "\"");
            }
        } else if (arg == "--mode") {
            const std::string& mode = valueOf(i);
            if (mode == "shallow") {
                options.Mode = engine::TScanMode::Shallow;
            } else if (mode == "bottom") {
                options.Mode = engine::TScanMode::Bottom;
            } else if (mode == "deep") {
                options.Mode = engine::TScanMode::Deep;
            } else {
                throw EUsage("--mode takes shallow, bottom or deep, not \"" + mode + "\"");
            }
        } else if (arg == "--buffer") {
            options.BufferKB = ParseBufferKB(valueOf(i));
        } else {
            throw EUsage("unknown option " + arg);
        }
    }
    if (options.Action != TAction::Scan) return options;
    if (positional.empty()) throw EUsage("no store given");
    if (positional.size() > 2) throw EUsage("too many arguments: \"" + positional[2] + "\"");
    options.Store = positional[0];
    if (options.Store.empty()) throw EUsage("the store's path is empty");
    if (positional.size() == 2) options.Output = positional[1];
    return options;
}

}  // namespace tervaline::cli
