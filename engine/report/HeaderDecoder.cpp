#include "engine/report/HeaderDecoder.h"

#include <gmime/gmime.h>
#include <iconv.h>

#include <mutex>

#include "engine/report/HeaderText.h"
#include "engine/report/MailDate.h"

namespace tervaline::engine {

namespace {

// The library is set up once for the process and never shut down: its
// tables serve every scan until the program ends.
void EnsureMimeLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

struct TObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
using TAddressList = std::unique_ptr<InternetAddressList, TObjectUnref>;

}  // namespace

struct THeaderDecoder::TOptions {
    struct TFree {
        void operator()(GMimeParserOptions* p) const { g_mime_parser_options_free(p); }
    };
    std::unique_ptr<GMimeParserOptions, TFree> options;
    std::string charset;
    GMimeParserOptions* Get() const { return options.get(); }
};

std::string CodePageCharset(const std::string& name) {
    if (name.empty()) return {};
    const bool number = name.find_first_not_of("0123456789") == std::string::npos;
    std::string charset = number ? "CP" + name : name;
    const iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    ::iconv_close(cd);
    return charset;
}

THeaderDecoder::THeaderDecoder(const std::string& charset) : options_(std::make_unique<TOptions>()) {
    EnsureMimeLibrary();
    options_->options.reset(g_mime_parser_options_new());
    options_->charset = charset;
}

THeaderDecoder::~THeaderDecoder() = default;

THeaderFields THeaderDecoder::Decode(const TRawHeaderFields& raw) const {
    const auto decode = [this](const std::string& text) { return DecodeHeaderText(text, options_->charset); };
    THeaderFields fields;
    fields.Date = decode(raw.Date);
    fields.DateSeconds = DateSeconds(raw.Date);
    if (fields.DateSeconds) fields.DateUtc = IsoUtc(*fields.DateSeconds);
    fields.From = decode(raw.From);
    fields.To = decode(raw.To);
    fields.Cc = decode(raw.Cc);
    fields.Subject = decode(raw.Subject);
    fields.MessageId = decode(raw.MessageId);
    return fields;
}

std::optional<std::int64_t> THeaderDecoder::DateSeconds(const std::string& date) {
    return MailDateSeconds(date);
}

std::string THeaderDecoder::IsoUtc(std::int64_t seconds) { return IsoUtcText(seconds); }

std::string THeaderDecoder::FirstAddress(const std::string& field) const {
    if (field.empty()) return {};
    const TAddressList list(internet_address_list_parse(options_->Get(), field.c_str()));
    if (!list) return {};
    for (int i = 0; i < internet_address_list_length(list.get()); ++i) {
        InternetAddress* address = internet_address_list_get_address(list.get(), i);
        if (!INTERNET_ADDRESS_IS_MAILBOX(address)) continue;
        const char* spec = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
        if (spec == nullptr) continue;
        const std::string text(spec);
        // A From line ends its sender at the first blank.
        if (text.empty() || text.find_first_of(" \t\r\n") != std::string::npos) continue;
        return text;
    }
    return {};
}

}  // namespace tervaline::engine
