// The moment a Date field stands for, read as mail programs read it (RFC
// 5322, its obsolete forms, the zone names in use), and a moment as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervaline::engine {

// Seconds since 1970-01-01 UTC, negative before; nothing when Date names no
// day. Cheap, and safe to call from any thread.
std::optional<std::int64_t> MailDateSeconds(std::string_view date);

// ISO 8601 in UTC, "2003-06-18T06:02:10Z", of seconds since 1970.
std::string IsoUtcText(std::int64_t seconds);

// The same as the C library's asctime writes it in UTC, "Wed Jun 18
// 06:02:10 2003" (the day of the month padded with a blank), as the From
// line of an mbox file carries it.
std::string AsctimeUtcText(std::int64_t seconds);

}  // namespace tervaline::engine
