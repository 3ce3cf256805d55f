#include "Brindle/DateExtensions.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Brindle/Calendar.h"

namespace Brindle {

namespace {

// Reads exactly `count` digits at `at`.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    at += count;
    return value;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

// Seconds east of Greenwich.
std::optional<int> zoneOffset(std::string_view text, std::size_t& at) {
    if (expect(text, at, 'Z')) return 0;
    int sign = 1;
    if (!expect(text, at, '+')) {
        if (!expect(text, at, '-')) return std::nullopt;
        sign = -1;
    }
    const auto hours = digits(text, at, 2);
    if (!hours || *hours > 23) return std::nullopt;
    int minutes = 0;
    if (at < text.size()) {
        expect(text, at, ':');
        const auto read = digits(text, at, 2);
        if (!read || *read > 59) return std::nullopt;
        minutes = *read;
    }
    return sign * (*hours * 3600 + minutes * 60);
}

}  // namespace

std::optional<platform::Date> makeDate(std::int64_t year, std::int64_t month, std::int64_t day,
                                       std::int64_t hour, std::int64_t minute) {
    return Calendar::current().date({year, month, day, hour, minute, 0});
}

const DateFormatter& iso8601Formatter() {
    static const DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ssZZZZZ", Calendar::gmt());
    return formatter;
}

std::string iso8601(const platform::Date& date) {
    // Only what dateFromISO8601 reads back is written: a year before 1 gets its sign and four digits,
    // and a moment past the nine-digit years (or none at all) the nearest one it can name.
    // Both exact as doubles: -999999999-01-01T00:00:00Z and 999999999-12-31T23:59:56Z.
    constexpr double earliest = -31557014135596800.0;
    constexpr double latest = 31556889832780796.0;
    double moment = date.timeIntervalSince1970();
    if (std::isnan(moment)) moment = 0;
    const auto seconds = static_cast<std::int64_t>(std::clamp(std::floor(moment), earliest, latest));
    const std::int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    const std::int64_t within = seconds - days * 86400;
    // Days since 1970 to a proleptic Gregorian date, in 400-year eras.
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return fmt::format("{}{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", year < 0 ? "-" : "", year < 0 ? -year : year,
                       month, day, within / 3600, within / 60 % 60, within % 60);
}

std::optional<platform::Date> dateFromISO8601(std::string_view text) {
    std::size_t at = 0;
    const bool beforeYearZero = expect(text, at, '-');
    // Four digits at least; nine keep the arithmetic far from overflow.
    std::size_t yearDigits = 0;
    while (at + yearDigits < text.size() && text[at + yearDigits] >= '0' && text[at + yearDigits] <= '9')
        ++yearDigits;
    if (yearDigits < 4 || yearDigits > 9) return std::nullopt;
    auto year = digits(text, at, yearDigits);
    if (year && beforeYearZero) year = -*year;
    if (!expect(text, at, '-')) return std::nullopt;
    const auto month = digits(text, at, 2);
    if (!expect(text, at, '-')) return std::nullopt;
    const auto day = digits(text, at, 2);
    if (!expect(text, at, 'T')) return std::nullopt;
    const auto hour = digits(text, at, 2);
    if (!expect(text, at, ':')) return std::nullopt;
    const auto minute = digits(text, at, 2);
    if (!expect(text, at, ':')) return std::nullopt;
    const auto second = digits(text, at, 2);
    const auto offset = zoneOffset(text, at);
    if (!year || !month || !day || !hour || !minute || !second || !offset || at != text.size())
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > Calendar::daysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59)
        return std::nullopt;
    const std::int64_t days = Calendar::daysFromCivil(*year, *month, *day);
    const std::int64_t seconds = days * 86400 + *hour * 3600 + *minute * 60 + *second - *offset;
    return platform::Date::fromTimeIntervalSince1970(static_cast<double>(seconds));
}

double daysSince1970(const platform::Date& date) {
    return std::floor(date.timeIntervalSince1970() / 86400.0);
}

std::string relativeText(const platform::Date& date, bool forceDays) {
    static const auto time = DateFormatter::make("HH:mm");
    static const auto dayAndTime = DateFormatter::make("dd MMM HH:mm");
    const auto now = platform::Date::now();
    const std::int64_t days = Calendar::current().daysBetween(date, now);
    if (days < 1 && !forceDays) {
        const double seconds = now.timeIntervalSince(date) - static_cast<double>(days) * 86400.0;
        if (seconds > 3600.0) return time.string(date);
        // Written so that a moment that is not a number reads as now.
        if (!(seconds > 60.0)) return "Just now";
        return fmt::format("{} min ago", static_cast<std::int64_t>(std::ceil(seconds / 60.0)));
    }
    if (days > 4) return dayAndTime.string(date);
    if (days == 1) return "Yesterday, " + time.string(date);
    return fmt::format("{} days ago, {}", days, time.string(date));
}

DateTime dateTime(const platform::Date& date) { return DateTime(date); }

}  // namespace Brindle
