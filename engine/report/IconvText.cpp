#include "engine/report/IconvText.h"

#include <iconv.h>

#include <cerrno>
#include <functional>
#include <map>

namespace tervaline::engine {

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

}  // namespace

bool AppendIconvText(std::string_view charset, std::string_view bytes, std::string& out) {
    thread_local TConverters converters;
    const iconv_t cd = converters.Get(charset);
    if (cd == kNoConverter) return false;
    // A converter left in a shift state by its last text starts this one
    // from the initial state.
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = ::iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        out += kReplacementCharacter;
        if (error != EILSEQ) break;  // a sequence cut short by the end of the text
        ++in;
        --inLeft;
    }
    return true;
}

}  // namespace tervaline::engine
