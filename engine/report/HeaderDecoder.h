// THeaderDecoder: the report's header fields decoded to UTF-8, and the date
// of a message as a moment in UTC. RFC 2047 encoded words are decoded in
// any charset the system converts, Japanese ones as Windows wrote them;
// raw 8-bit bytes are read as UTF-8 when they are UTF-8, else in one
// chosen code page.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/report/HeaderSection.h"
#include "platform/CharsetConversion.h"

namespace tervaline::engine {

struct THeaderFields {
    std::string Date;     // as written
    std::string DateUtc;  // ISO 8601 in UTC; empty when Date does not parse
    std::optional<std::int64_t> DateSeconds;  // since 1970-01-01 UTC, when Date parses
    std::string From;
    std::string To;
    std::string Cc;
    std::string Subject;
    std::string MessageId;
};

using platform::CodePageCharset;

class THeaderDecoder {
public:
    // Charset: a charset name (CodePageCharset gives one) in which raw 8-bit
    // header bytes that are not UTF-8 are read.
    explicit THeaderDecoder(const std::string& charset);

    THeaderFields Decode(const TRawHeaderFields& raw) const;
    // A text of the store's own records, raw bytes in the code page of the
    // system that wrote it, in UTF-8.
    std::string DecodeRecordText(const std::string& raw) const;

    // Seconds since 1970-01-01 UTC of a Date field as written, negative
    // before; nothing when it does not parse. Safe to call from any thread.
    static std::optional<std::int64_t> DateSeconds(const std::string& date);
    // ISO 8601 in UTC, "2003-06-18T06:02:10Z", of seconds since 1970.
    static std::string IsoUtc(std::int64_t seconds);

    // The address of the first mailbox in an address field as written
    // (From), for the envelope sender of an mbox file; empty when it has
    // none that a From line can carry.
    std::string FirstAddress(const std::string& field) const;

private:
    std::string charset_;
};

}  // namespace tervaline::engine
