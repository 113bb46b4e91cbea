#include "platform/CodePageText.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace tervaline::platform {

namespace {

// iconv's name for code page 932 itself, before plain Shift_JIS, which
// lacks its vendor rows (circled digits, NEC and IBM extensions).
constexpr const char* kCodePage932Names[] = {"CP932", "WINDOWS-31J", "SHIFT_JIS"};
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct TIconvCloser {
    void operator()(iconv_t* cd) const {
        iconv_close(*cd);
        delete cd;
    }
};

std::unique_ptr<iconv_t, TIconvCloser> OpenDecoder() {
    for (const char* name : kCodePage932Names) {
        const iconv_t cd = iconv_open("UTF-8", name);
        if (cd != reinterpret_cast<iconv_t>(-1)) return std::unique_ptr<iconv_t, TIconvCloser>(new iconv_t(cd));
    }
    return nullptr;
}

}  // namespace

std::string CodePage932ToUtf8(std::string_view bytes) {
    const auto decoder = OpenDecoder();
    std::string out;
    if (!decoder) {
        // Without tables the ASCII part still reads.
        for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(kReplacement);
        return out;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(*decoder, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A byte the code page cannot read, or a character cut short at the end.
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(*decoder, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace tervaline::platform
