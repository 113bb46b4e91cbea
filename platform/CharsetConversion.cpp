// The charsets of a POSIX system: the C library's iconv.
#include "platform/CharsetConversion.h"

#include <iconv.h>

#include <cerrno>
#include <functional>
#include <map>

#include "platform/Utf8Text.h"

namespace tervaline::platform {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Converters held open per thread: opening one costs a lookup of the
// system's charset modules, and a store names a handful of charsets in
// thousands of headers. Names iconv does not know are held too, so a
// damaged store's garbage labels are not looked up again and again.
class TConverters {
public:
    TConverters() = default;
    TConverters(const TConverters&) = delete;
    TConverters& operator=(const TConverters&) = delete;
    ~TConverters() { Clear(); }

    iconv_t Get(std::string_view charset) {
        const auto found = open_.find(charset);
        if (found != open_.end()) return found->second;
        // Labels come from the store's own bytes: a bound keeps a store
        // full of distinct garbage labels from holding memory.
        if (open_.size() >= kMostOpen) Clear();
        const std::string name(charset);
        const iconv_t cd = ::iconv_open("UTF-8", name.c_str());
        open_.emplace(name, cd);
        return cd;
    }

private:
    static constexpr std::size_t kMostOpen = 64;

    void Clear() {
        for (const auto& [name, cd] : open_) {
            if (cd != kNoConverter) ::iconv_close(cd);
        }
        open_.clear();
    }

    std::map<std::string, iconv_t, std::less<>> open_;
};

// Whether iconv's converter of Charset holds a letter back for a mark that
// may follow it: those of Windows' Hebrew and Vietnamese code pages, of
// TCVN, Big5-HKSCS and JIS X 0213.
bool HoldsLettersBack(std::string_view charset) {
    std::string folded;
    for (const char c : charset) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) folded += c;
        if (c >= 'A' && c <= 'Z') folded += static_cast<char>(c - 'A' + 'a');
    }
    for (const std::string_view family : {"1255", "1258", "mshebr", "tcvn", "hkscs", "jisx0213"}) {
        if (folded.find(family) != std::string::npos) return true;
    }
    return false;
}

iconv_t Converter(std::string_view charset) {
    thread_local TConverters converters;
    return converters.Get(charset);
}

}  // namespace

bool IsKnownCharset(std::string_view charset) { return !charset.empty() && Converter(charset) != kNoConverter; }

bool AppendConvertedText(std::string_view charset, std::string_view bytes, std::string& out) {
    if (IsUtf8Name(charset)) {
        AppendUtf8Text(bytes, out);
        return true;
    }
    // An empty name is the locale's charset to iconv, which no text names.
    if (charset.empty()) return false;
    const iconv_t cd = Converter(charset);
    if (cd == kNoConverter) return false;
    char buffer[1024];
    // Converters that join a letter to the mark after it hold the last
    // letter back until told that no mark follows: at the end, and before
    // a bad byte where the converter is one of those (telling one that
    // keeps a shift state would forget the state).
    const bool holdsBack = HoldsLettersBack(charset);
    const auto flush = [&] {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        ::iconv(cd, nullptr, nullptr, &to, &toLeft);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
    };
    // A converter left in a shift state by its last text starts this one
    // from the initial state.
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = ::iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        if (holdsBack) flush();
        out += kReplacementCharacter;
        if (error != EILSEQ) return true;  // a sequence cut short by the end of the text
        ++in;
        --inLeft;
    }
    flush();
    return true;
}

}  // namespace tervaline::platform
