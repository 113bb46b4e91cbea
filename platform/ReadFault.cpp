// The read fault of test builds, the same on every system.
#include "platform/ReadFault.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/FileSystem.h"

namespace tervaline::platform {

namespace {

std::mutex gReadFaultMutex;
// Shared, so that a read asks the fault without holding the lock or
// copying the function.
std::shared_ptr<const TReadFault> gReadFault;

std::shared_ptr<const TReadFault> CurrentReadFault() {
    std::lock_guard<std::mutex> lock(gReadFaultMutex);
    return gReadFault;
}

}  // namespace

void SetReadFaultForTesting(TReadFault fault) {
    auto shared = fault ? std::make_shared<const TReadFault>(std::move(fault)) : nullptr;
    std::lock_guard<std::mutex> lock(gReadFaultMutex);
    gReadFault = std::move(shared);
}

void CheckReadFault(const std::string& path, std::uint64_t offset, std::size_t count) {
    const std::shared_ptr<const TReadFault> fault = CurrentReadFault();
    if (!fault) return;
    if (const int injected = (*fault)(path, offset, count); injected != 0) {
        const std::string reason = std::strerror(injected);
        throw EFileError("Cannot read \"" + path + "\": " + reason, injected, reason);
    }
}

}  // namespace tervaline::platform
