#include "cli/StoreFolder.h"

#include "cli/ScanCommand.h"
#include "engine/StoreFolder.h"
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

int RunScans(const TScanOptions& options, const std::atomic<int>& stopSignal, std::FILE* out, std::FILE* err) {
    if (!platform::DirectoryExists(options.Store)) return RunScan(options, stopSignal, out, err);
    const std::vector<engine::TFolderStore> stores = engine::FolderStores(kNative, options.Store);
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
    for (const engine::TFolderStore& store : stores) {
        if (store.Renamed) {
            Say(err, "tervaline-scan: %s: into \"%s\", since another store's messages go to \"%s\"\n",
                store.FileName.c_str(), store.OutputName.c_str(),
                platform::RemoveFileExt(kNative, store.FileName).c_str());
        }
        TScanOptions one = options;
        one.Store = platform::JoinPath(kNative, options.Store, store.FileName);
        one.Output = platform::JoinPath(kNative, output, store.OutputName);
        if (!options.Mbox.empty()) one.Mbox = platform::JoinPath(kNative, options.Mbox, store.OutputName + ".mbox");
        const int status = RunScan(one, stopSignal, out, err, store.FileName);
        if (Severity(status) > Severity(worst)) worst = status;
        if (stopSignal.load() != 0) break;
    }
    return worst;
}

}  // namespace tervaline::cli
