#include "cli/StoreFolder.h"

#include <strings.h>

#include <algorithm>

#include "cli/ScanCommand.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::cli {

namespace {

constexpr platform::TPathSyntax kNative = platform::NativePathSyntax();

// Completed, then stopped, then failed: the later the worse.
int Severity(int status) {
    if (status == kExitCompleted) return 0;
    if (status == kExitInterrupted) return 1;
    return 2;
}

}  // namespace

std::vector<std::string> StoresInFolder(const std::string& folder) {
    std::vector<std::string> stores = platform::FileNamesIn(folder);
    std::erase_if(stores, [](const std::string& name) {
        return name.size() <= 4 || ::strcasecmp(name.c_str() + name.size() - 4, ".dbx") != 0;
    });
    std::sort(stores.begin(), stores.end());
    return stores;
}

int RunScans(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err) {
    if (!platform::DirectoryExists(options.Store)) return RunScan(options, stopSignal, out, err);
    const std::vector<std::string> stores = StoresInFolder(options.Store);
    if (stores.empty()) {
        Say(out, "0 messages found, 0 written\n");
        Say(err, "tervaline-scan: \"%s\" holds no .dbx store\n", options.Store.c_str());
        return kExitFailed;
    }
    // Each store's messages go where a scan of it alone would put them,
    // beside it, unless an output folder is given.
    const std::string output = options.Output.empty() ? options.Store : options.Output;
    if (!options.Mbox.empty()) {
        try {
            platform::ForceDirectories(options.Mbox);
        } catch (const platform::EFileError& e) {
            Say(err, "tervaline-scan: %s\n", e.what());
            return kExitFailed;
        }
    }
    int worst = kExitCompleted;
    // Stores whose names differ only in the extension's case (a.dbx and
    // a.DBX) or the name's would share a folder, the second's report
    // replacing the first's: each gets one of its own. Compared without
    // regard to case, as the file systems of most holders of stores do.
    std::vector<std::string> taken;
    const auto isTaken = [&taken](const std::string& name) {
        return std::any_of(taken.begin(), taken.end(),
                           [&name](const std::string& t) { return ::strcasecmp(t.c_str(), name.c_str()) == 0; });
    };
    for (const std::string& store : stores) {
        const std::string base = platform::RemoveFileExt(kNative, store);
        std::string name = base;
        for (unsigned copy = 1; isTaken(name); ++copy) name = base + "~" + std::to_string(copy);
        taken.push_back(name);
        if (name != base) {
            Say(err, "tervaline-scan: %s: into \"%s\", since another store's messages go to \"%s\"\n",
                store.c_str(), name.c_str(), base.c_str());
        }
        TScanOptions one = options;
        one.Store = platform::JoinPath(kNative, options.Store, store);
        one.Output = platform::JoinPath(kNative, output, name);
        if (!options.Mbox.empty()) one.Mbox = platform::JoinPath(kNative, options.Mbox, name + ".mbox");
        const int status = RunScan(one, stopSignal, out, err, store);
        if (Severity(status) > Severity(worst)) worst = status;
        if (stopSignal.load() != 0) break;
    }
    return worst;
}

}  // namespace tervaline::cli
