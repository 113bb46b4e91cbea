#include "platform/CodePage.h"

#include <atomic>
#include <cctype>
#include <string>

namespace tervaline::platform {

namespace {

constexpr int kUnset = -1;
std::atomic<int> gCodePage{kUnset};

struct TLeadByteTables {
    bool none[256] = {};
    bool cp932[256] = {};
    constexpr TLeadByteTables() {
        for (int b = 0x81; b <= 0x9F; ++b) cp932[b] = true;
        for (int b = 0xE0; b <= 0xFC; ++b) cp932[b] = true;
    }
};
constexpr TLeadByteTables kTables;

const bool* TableFor(int codePage) { return codePage == kCodePage932 ? kTables.cp932 : kTables.none; }

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
        int fromLocale = SystemCodePage();
        // Another thread may have set it meanwhile; an explicit setting wins.
        gCodePage.compare_exchange_strong(cp, fromLocale, std::memory_order_acq_rel);
        cp = gCodePage.load(std::memory_order_acquire);
    }
    return cp;
}

void SetActiveCodePage(int codePage) {
    const int cp = codePage == kCodePage932 ? kCodePage932 : kSingleByteCodePage;
    gCodePage.store(cp, std::memory_order_release);
    detail::gLeadByteTable.store(TableFor(cp), std::memory_order_release);
}

namespace detail {

std::atomic<const bool*> gLeadByteTable{nullptr};

const bool* InitLeadByteTable() {
    const bool* table = TableFor(ActiveCodePage());
    const bool* expected = nullptr;
    // An explicit setting made meanwhile wins over the locale's.
    if (!gLeadByteTable.compare_exchange_strong(expected, table, std::memory_order_acq_rel)) return expected;
    return table;
}

}  // namespace detail

TCodePageScope::TCodePageScope(int codePage) : previous_(ActiveCodePage()) {
    SetActiveCodePage(codePage);
}

TCodePageScope::~TCodePageScope() { SetActiveCodePage(previous_); }

}  // namespace tervaline::platform
