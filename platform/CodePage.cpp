#include "platform/CodePage.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>

namespace tervaline::platform {

namespace {

constexpr int kUnset = -1;
std::atomic<int> gCodePage{kUnset};

int CodePageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return CodePageFromLocaleName(value);
    }
    return kSingleByteCodePage;
}

}  // namespace

int CodePageFromLocaleName(const char* localeName) {
    if (localeName == nullptr) return kSingleByteCodePage;
    std::string name(localeName);
    // The codeset stands between '.' and an optional '@modifier'.
    const auto dot = name.find('.');
    if (dot == std::string::npos) return kSingleByteCodePage;
    std::string codeset = name.substr(dot + 1, name.find('@', dot) - dot - 1);
    std::string folded;
    for (char c : codeset) {
        if (c != '-' && c != '_') folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    if (folded == "shiftjis" || folded == "sjis" || folded == "cp932" || folded == "windows31j" ||
        folded == "ms932") {
        return kCodePage932;
    }
    return kSingleByteCodePage;
}

int ActiveCodePage() {
    int cp = gCodePage.load(std::memory_order_acquire);
    if (cp == kUnset) {
        int fromLocale = CodePageFromEnvironment();
        // Another thread may have set it meanwhile; an explicit setting wins.
        gCodePage.compare_exchange_strong(cp, fromLocale, std::memory_order_acq_rel);
        cp = gCodePage.load(std::memory_order_acquire);
    }
    return cp;
}

void SetActiveCodePage(int codePage) {
    gCodePage.store(codePage == kCodePage932 ? kCodePage932 : kSingleByteCodePage,
                    std::memory_order_release);
}

bool IsDBCSLeadByte(std::uint8_t byte) {
    if (ActiveCodePage() != kCodePage932) return false;
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TCodePageScope::TCodePageScope(int codePage) : previous_(ActiveCodePage()) {
    SetActiveCodePage(codePage);
}

TCodePageScope::~TCodePageScope() { SetActiveCodePage(previous_); }

}  // namespace tervaline::platform
