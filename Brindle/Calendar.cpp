#include "Brindle/Calendar.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

namespace Brindle {

namespace {

// Well inside what `struct tm` can hold (its year is an int).
constexpr double representableSeconds = 1e16;

// Whether `value - offset` fits an int.
bool fitsInt(std::int64_t value, std::int64_t offset = 0) {
    return value >= std::int64_t{INT_MIN} + offset && value <= std::int64_t{INT_MAX} + offset;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The same fields at GMT, worked out without the C library, for when it cannot help.
DateComponents gmtComponents(std::int64_t seconds) {
    const std::int64_t days = floorDiv(seconds, 86400);
    const std::int64_t secondOfDay = seconds - days * 86400;
    // Inverse of daysFromCivil, in 400-year eras starting on 1 March.
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    DateComponents components;
    components.day = dayOfYear - (153 * mp + 2) / 5 + 1;
    components.month = mp < 10 ? mp + 3 : mp - 9;
    components.year = yearOfEra + era * 400 + (components.month <= 2);
    components.hour = secondOfDay / 3600;
    components.minute = secondOfDay / 60 % 60;
    components.second = secondOfDay % 60;
    // 1970-01-01 was a Thursday.
    components.weekday = static_cast<int>(((days + 4) % 7 + 7) % 7) + 1;
    return components;
}

}  // namespace

DateComponents Calendar::components(double secondsSince1970) const {
    double seconds = std::isnan(secondsSince1970) ? 0.0 : std::floor(secondsSince1970);
    seconds = std::clamp(seconds, -representableSeconds, representableSeconds);
    const auto whole = static_cast<std::int64_t>(seconds);
    if (gmt_) return gmtComponents(whole);

    tzset();
    const auto time = static_cast<std::time_t>(whole);
    std::tm fields{};
    if (!localtime_r(&time, &fields)) return gmtComponents(whole);
    DateComponents components;
    components.year = std::int64_t{fields.tm_year} + 1900;
    components.month = fields.tm_mon + 1;
    components.day = fields.tm_mday;
    components.hour = fields.tm_hour;
    components.minute = fields.tm_min;
    components.second = fields.tm_sec;
    components.weekday = fields.tm_wday + 1;
    components.utcOffset = fields.tm_gmtoff;
    return components;
}

std::optional<double> Calendar::secondsSince1970(const DateComponents& components) const {
    if (!fitsInt(components.year, 1900) || !fitsInt(components.month, 1) || !fitsInt(components.day) ||
        !fitsInt(components.hour) || !fitsInt(components.minute) || !fitsInt(components.second))
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = static_cast<int>(components.year - 1900);
    fields.tm_mon = static_cast<int>(components.month - 1);
    fields.tm_mday = static_cast<int>(components.day);
    fields.tm_hour = static_cast<int>(components.hour);
    fields.tm_min = static_cast<int>(components.minute);
    fields.tm_sec = static_cast<int>(components.second);
    fields.tm_isdst = -1;
    // Neither call reports failure apart from a result of -1, which is also a real moment; an
    // untouched weekday tells them apart.
    fields.tm_wday = -1;
    const std::time_t time = gmt_ ? timegm(&fields) : mktime(&fields);
    if (time == static_cast<std::time_t>(-1) && fields.tm_wday == -1) return std::nullopt;
    return static_cast<double>(time);
}

std::optional<platform::Date> Calendar::date(const DateComponents& components) const {
    const auto seconds = secondsSince1970(components);
    if (!seconds) return std::nullopt;
    return platform::Date::fromTimeIntervalSince1970(*seconds);
}

std::int64_t Calendar::daysBetween(const platform::Date& from, const platform::Date& to) const {
    const auto a = components(from);
    const auto b = components(to);
    return daysFromCivil(b.year, b.month, b.day) - daysFromCivil(a.year, a.month, a.day);
}

int Calendar::daysInMonth(std::int64_t year, std::int64_t month) {
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::int64_t index = ((month - 1) % 12 + 12) % 12;
    year += floorDiv(month - 1, 12);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return index == 1 && leap ? 29 : lengths[index];
}

std::int64_t Calendar::daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2;
    const std::int64_t era = floorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace Brindle
