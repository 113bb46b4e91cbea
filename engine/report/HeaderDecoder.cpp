#include "engine/report/HeaderDecoder.h"

#include "engine/report/HeaderText.h"
#include "engine/report/MailAddress.h"
#include "engine/report/MailDate.h"
#include "platform/CharsetConversion.h"

namespace tervaline::engine {

THeaderDecoder::THeaderDecoder(const std::string& charset) : charset_(charset) {}

THeaderFields THeaderDecoder::Decode(const TRawHeaderFields& raw) const {
    const auto decode = [this](const std::string& text) { return DecodeHeaderText(text, charset_); };
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

std::string THeaderDecoder::DecodeRecordText(const std::string& raw) const { return DecodeHeaderText(raw, charset_); }

std::string THeaderDecoder::IsoUtc(std::int64_t seconds) { return IsoUtcText(seconds); }

std::string THeaderDecoder::FirstAddress(const std::string& field) const { return FirstMailboxAddress(field); }

}  // namespace tervaline::engine
