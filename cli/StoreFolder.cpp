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
    for (const std::string& store : stores) {
        const std::string name = platform::RemoveFileExt(kNative, store);
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
