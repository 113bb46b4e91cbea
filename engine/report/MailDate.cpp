#include "engine/report/MailDate.h"

#include <array>
#include <cstdio>

#include "engine/AsciiCase.h"

namespace tervaline::engine {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameWord(std::string_view a, std::string_view b) { return SameAsciiWord(a, b); }

// Zone names, in minutes east of UTC. RFC 5322 names the American ones and
// UT/GMT; the rest are those mail programs write from their system's zone
// abbreviation. Where an abbreviation is used in two places, the reading
// is the one that sends the most mail: CST is American Central (as RFC
// 5322 has it, not China's), IST is India's.
struct TZone {
    std::string_view name;
    int minutes;
};
constexpr TZone kZones[] = {
    {"UT", 0},       {"UTC", 0},      {"GMT", 0},      {"Z", 0},
    {"EST", -300},   {"EDT", -240},   {"CST", -360},   {"CDT", -300},
    {"MST", -420},   {"MDT", -360},   {"PST", -480},   {"PDT", -420},
    {"AKST", -540},  {"AKDT", -480},  {"HST", -600},   {"HDT", -540},
    {"AST", -240},   {"ADT", -180},   {"NST", -210},   {"NDT", -150},
    {"BRT", -180},   {"WET", 0},      {"WEST", 60},    {"BST", 60},
    {"IST", 330},    {"CET", 60},     {"CEST", 120},   {"MET", 60},
    {"MEST", 120},   {"MEZ", 60},     {"MESZ", 120},   {"EET", 120},
    {"EEST", 180},   {"MSK", 180},    {"MSD", 240},    {"PKT", 300},
    {"ICT", 420},    {"WIB", 420},    {"HKT", 480},    {"SGT", 480},
    {"AWST", 480},   {"JST", 540},    {"KST", 540},    {"ACST", 570},
    {"ACDT", 630},   {"AEST", 600},   {"AEDT", 660},   {"NZST", 720},
    {"NZDT", 780},
};

std::optional<int> ZoneMinutes(std::string_view name) {
    for (const TZone& zone : kZones) {
        if (SameWord(name, zone.name)) return zone.minutes;
    }
    // RFC 822 gave the military letters the wrong signs, so no sender's
    // letter can be trusted: RFC 5322 reads them all as -0000.
    if (name.size() == 1 && IsAlpha(name[0]) && name[0] != 'J' && name[0] != 'j') return 0;
    return std::nullopt;
}

// The month a word names, 1-12, by its first three letters (as "Sept" and
// "June" are written); 0 for none.
int Month(std::string_view word) {
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (word.size() < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        if (SameWord(word.substr(0, 3), kMonths[m])) return m + 1;
    }
    return 0;
}

enum class EKind { Word, Number, Time, Offset };

struct TToken {
    EKind kind;
    std::string_view text;
};

// Few dates have more than eight parts; anything past this many is noise.
constexpr std::size_t kMostTokens = 16;

struct TTokens {
    std::array<TToken, kMostTokens> items{};
    std::size_t count = 0;
    std::optional<int> commentZone;  // "(JST)": a zone written only as a comment
};

// The end of the comment that starts at Open, nested ones and quoted
// characters within it included.
std::size_t CommentEnd(std::string_view date, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < date.size(); ++i) {
        if (date[i] == '\\') {
            ++i;
        } else if (date[i] == '(') {
            ++depth;
        } else if (date[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return date.size();
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == ')')) s.remove_suffix(1);
    return s;
}

TTokens Tokens(std::string_view date) {
    TTokens tokens;
    std::size_t i = 0;
    std::size_t lastEnd = std::string_view::npos;  // where the last token ended
    const auto add = [&](EKind kind, std::size_t start) {
        if (tokens.count < kMostTokens) tokens.items[tokens.count++] = TToken{kind, date.substr(start, i - start)};
        lastEnd = i;
    };
    while (i < date.size()) {
        const char c = date[i];
        const std::size_t start = i;
        if (c == '(') {
            i = CommentEnd(date, i);
            if (!tokens.commentZone) tokens.commentZone = ZoneMinutes(Trimmed(date.substr(start + 1, i - start - 1)));
            continue;
        }
        if (IsAlpha(c)) {
            while (i < date.size() && IsAlpha(date[i])) ++i;
            add(EKind::Word, start);
            continue;
        }
        if (IsDigit(c)) {
            bool time = false;
            while (i < date.size() && (IsDigit(date[i]) || date[i] == ':')) time |= date[i++] == ':';
            add(time ? EKind::Time : EKind::Number, start);
            continue;
        }
        // '-' also joins "18-Jun-2003" and "2003-06-18"; it is a zone's
        // sign only after a blank, a time, or a zone name ("GMT-0500").
        const bool signed_ = (c == '+' || c == '-') && i + 1 < date.size() && IsDigit(date[i + 1]);
        const bool joined = lastEnd == i && tokens.count > 0;
        const TToken* last = joined ? &tokens.items[tokens.count - 1] : nullptr;
        const bool sign = signed_ && (c == '+' || !joined || last->kind == EKind::Time ||
                                      (last->kind == EKind::Word && ZoneMinutes(last->text)));
        if (sign) {
            ++i;
            while (i < date.size() && (IsDigit(date[i]) || date[i] == ':')) ++i;
            add(EKind::Offset, start);
            continue;
        }
        ++i;  // a blank, a comma, or other punctuation: no part of any token
    }
    return tokens;
}

// A run of at most nine digits as a number; nothing for any other text.
std::optional<int> Number(std::string_view digits) {
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct TClock {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "hh:mm" or "hh:mm:ss"; the seconds may be missing.
std::optional<TClock> Clock(std::string_view text) {
    std::array<int, 3> parts{};
    std::size_t count = 0;
    while (true) {
        const std::size_t colon = text.find(':');
        const std::string_view part = text.substr(0, colon);
        if (count == parts.size() || part.empty() || part.size() > 2) return std::nullopt;
        parts[count++] = *Number(part);
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    if (count < 2) return std::nullopt;
    return TClock{parts[0], parts[1], parts[2]};
}

// "+0900", "-05:00", "+9": minutes east of UTC.
std::optional<int> OffsetMinutes(std::string_view text) {
    const int sign = text[0] == '-' ? -1 : 1;
    text.remove_prefix(1);
    int hours = 0;
    int minutes = 0;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const auto h = Number(text.substr(0, colon));
        const auto m = Number(text.substr(colon + 1));
        if (!h || !m || colon > 2 || text.size() - colon - 1 != 2) return std::nullopt;
        hours = *h;
        minutes = *m;
    } else if (text.size() <= 2) {
        hours = *Number(text);
    } else if (text.size() <= 4) {
        const int hhmm = *Number(text);
        hours = hhmm / 100;
        minutes = hhmm % 100;
    } else {
        return std::nullopt;
    }
    if (hours > 23 || minutes > 59) return std::nullopt;
    return sign * (hours * 60 + minutes);
}

// RFC 5322: a two-digit year below 50 is in this century, any other before
// it; a three-digit one counts from 1900.
int FullYear(std::string_view digits, int value) {
    if (digits.size() <= 2) return value < 50 ? 2000 + value : 1900 + value;
    if (digits.size() == 3) return 1900 + value;
    return value;
}

bool IsLeapYear(std::int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a day of the proleptic Gregorian calendar, and
// back, counted in 400-year eras so that no library's time_t range or
// time zone enters.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct TCivil {
    std::int64_t year;
    int month;
    int day;
};

TCivil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace

std::optional<std::int64_t> MailDateSeconds(std::string_view date) {
    const TTokens tokens = Tokens(date);
    int month = 0;
    std::optional<TClock> clock;
    std::optional<int> offset;
    std::optional<int> named;
    std::string_view meridiem;
    std::array<std::string_view, 3> numbers{};
    std::size_t numberCount = 0;
    for (std::size_t t = 0; t < tokens.count; ++t) {
        const TToken& token = tokens.items[t];
        switch (token.kind) {
            case EKind::Time:
                if (!clock) {
                    clock = Clock(token.text);
                    if (!clock) return std::nullopt;
                }
                break;
            case EKind::Offset:
                if (!offset) offset = OffsetMinutes(token.text);
                break;
            case EKind::Word:
                // A day's name is not trusted, nor needed: it is passed by
                // with every other word no date has.
                if (const auto zone = ZoneMinutes(token.text)) {
                    if (!named) named = zone;
                } else if (month == 0 && Month(token.text) != 0) {
                    month = Month(token.text);
                } else if (SameWord(token.text, "AM") || SameWord(token.text, "PM")) {
                    meridiem = token.text;
                }
                break;
            case EKind::Number:
                if (numberCount < numbers.size()) numbers[numberCount++] = token.text;
                break;
        }
    }
    int day = 0;
    std::optional<int> year;
    if (month != 0) {
        // The day and the year: the day is a number of one or two digits,
        // the year the other, in whichever order they come ("1 Feb 99",
        // asctime's "Feb  1 23:59:59 1999").
        if (numberCount < 2) return std::nullopt;
        for (std::size_t n = 0; n < 2; ++n) {
            const std::string_view digits = numbers[n];
            const auto value = Number(digits);
            if (!value) return std::nullopt;
            if (day == 0 && digits.size() <= 2 && *value >= 1) {
                day = *value;
            } else if (!year && digits.size() <= 4) {
                year = FullYear(digits, *value);
            } else {
                return std::nullopt;
            }
        }
    } else {
        // A date all in numbers: "2003-06-18", else month first as in
        // America ("06/18/2003") unless the first cannot be a month
        // ("18/06/2003"). Programs wrote these, and the reading is the one
        // this report gave them before.
        if (numberCount < 3) return std::nullopt;
        std::array<int, 3> values{};
        for (std::size_t n = 0; n < 3; ++n) {
            const auto value = Number(numbers[n]);
            if (!value || numbers[n].size() > 4) return std::nullopt;
            values[n] = *value;
        }
        if (numbers[0].size() == 4) {
            year = values[0];
            month = values[1];
            day = values[2];
        } else {
            const bool dayFirst = values[0] > 12;
            day = values[dayFirst ? 0 : 1];
            month = values[dayFirst ? 1 : 0];
            year = FullYear(numbers[2], values[2]);
        }
        if (month < 1 || month > 12 || day < 1) return std::nullopt;
    }
    if (!year || *year < 1 || day > DaysInMonth(month, *year)) return std::nullopt;
    TClock time = clock.value_or(TClock{});
    if (!meridiem.empty() && time.hour >= 1 && time.hour <= 12) {
        time.hour = time.hour % 12 + (SameWord(meridiem, "PM") ? 12 : 0);
    }
    if (time.hour > 23 || time.minute > 59 || time.second > 60) return std::nullopt;
    // A numeric zone says what the sender's clock was set to; a name may
    // sit beside it only as a reminder ("+0900 (JST)"), and names no zone
    // at all when it is one nobody knows: RFC 5322 reads that as -0000.
    const int zone = offset.value_or(named.value_or(tokens.commentZone.value_or(0)));
    return DaysFromCivil(*year, month, day) * 86400 + time.hour * 3600 + time.minute * 60 + time.second -
           static_cast<std::int64_t>(zone) * 60;
}

namespace {

// Seconds since 1970 as days and the seconds into the last of them.
struct TMoment {
    std::int64_t days;
    int second;  // of the day
};

TMoment MomentOf(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    return {days, static_cast<int>(rest)};
}

}  // namespace

std::string IsoUtcText(std::int64_t seconds) {
    const TMoment moment = MomentOf(seconds);
    const TCivil civil = CivilFromDays(moment.days);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                                static_cast<long long>(civil.year), civil.month, civil.day, moment.second / 3600,
                                moment.second / 60 % 60, moment.second % 60);
    return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string AsctimeUtcText(std::int64_t seconds) {
    static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // from 1970-01-01
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const TMoment moment = MomentOf(seconds);
    const TCivil civil = CivilFromDays(moment.days);
    const std::int64_t weekday = ((moment.days % 7) + 7) % 7;
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %lld", kDays[weekday],
                                kMonths[civil.month - 1], civil.day, moment.second / 3600, moment.second / 60 % 60,
                                moment.second % 60, static_cast<long long>(civil.year));
    return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace tervaline::engine
