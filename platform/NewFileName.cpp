// The temporary names of new files, the write loop with its test seam and
// the copy to another volume, the same on every system.
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "platform/NewFileParts.h"
#include "platform/WriteFault.h"

namespace tervaline::platform {

namespace {

constexpr std::string_view kSuffix = ".partial";
constexpr std::size_t kRandomLetters = 8;
constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";

#ifdef TERVALINE_FAULT_INJECTION
std::mutex gWriteFaultMutex;
TWriteFault gWriteFault;

TWriteFault CurrentWriteFault() {
    std::lock_guard<std::mutex> lock(gWriteFaultMutex);
    return gWriteFault;
}
#endif

std::string RandomLetters() {
    thread_local std::mt19937_64 rng(std::random_device{}());
    std::string letters(kRandomLetters, '0');
    for (char& c : letters) c = kLetters[rng() % (sizeof kLetters - 1)];
    return letters;
}

}  // namespace

#ifdef TERVALINE_FAULT_INJECTION
void SetWriteFaultForTesting(TWriteFault fault) {
    std::lock_guard<std::mutex> lock(gWriteFaultMutex);
    gWriteFault = std::move(fault);
}
#endif

std::string TemporaryNameFor(const std::string& intended) {
    return intended + "." + RandomLetters() + std::string(kSuffix);
}

void WriteThroughFault(const std::string& intended, std::uint64_t& size, std::string_view bytes,
                       const TWriteSome& writeSome) {
#ifdef TERVALINE_FAULT_INJECTION
    const TWriteFault fault = CurrentWriteFault();
#else
    const std::function<int(const std::string&, std::size_t)> fault;
#endif
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t chunk = bytes.size() - done;
        int injected = 0;
        if (fault) {
            injected = fault(intended, static_cast<std::size_t>(size));
            if (size == 0 && chunk > 1) chunk /= 2;
        }
        // An injected fault is an errno, which is said in the C library's
        // words whatever numbers the system itself uses.
        if (injected != 0) throw EFileError("Cannot write \"" + intended + "\": " + std::strerror(injected), injected);
        int error = 0;
        const std::int64_t n = writeSome(bytes.data() + done, chunk, error);
        if (n < 0) RaiseFileError("Cannot write", intended, error);
        done += static_cast<std::size_t>(n);
        size += static_cast<std::uint64_t>(n);
    }
}

void CopyWritten(const TNewFile& from, std::uint64_t size, TNewFile& to) {
    std::vector<char> buffer(1 << 20);
    for (std::uint64_t at = 0; at < size;) {
        const std::size_t n = from.ReadAt(at, buffer.data(), buffer.size());
        if (n == 0) break;
        to.Write(std::string_view(buffer.data(), n));
        at += n;
    }
}

bool TNewFile::IsTemporaryName(std::string_view name, std::string& target) {
    const std::size_t tail = 1 + kRandomLetters + kSuffix.size();
    if (name.size() <= tail || name.substr(name.size() - kSuffix.size()) != kSuffix) return false;
    const std::string_view random = name.substr(name.size() - tail, 1 + kRandomLetters);
    if (random[0] != '.') return false;
    for (char c : random.substr(1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
    }
    target = std::string(name.substr(0, name.size() - tail));
    return true;
}

}  // namespace tervaline::platform
