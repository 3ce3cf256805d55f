#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/Date.h"

namespace Brindle {

// Gregorian date and time fields. As input, values outside their usual range carry over as a
// calendar carries them (day 0 is the last day of the previous month, month 13 January of the next
// year, negative values count back); `weekday` and `utcOffset` are then ignored.
struct DateComponents {
    std::int64_t year = 1;
    std::int64_t month = 1;
    std::int64_t day = 1;
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
    // 1 for Sunday to 7 for Saturday.
    int weekday = 0;
    // Seconds east of Greenwich in force at that moment.
    std::int64_t utcOffset = 0;
};

// The Gregorian calendar in the process's current time zone (TZ, read when asked) or at GMT.
class Calendar {
public:
    static Calendar current() { return Calendar(false); }
    static Calendar gmt() { return Calendar(true); }

    // Moments too far out to be broken down are first brought into a range of some ±300 million years.
    DateComponents components(double secondsSince1970) const;
    DateComponents components(const platform::Date& date) const {
        return components(date.timeIntervalSince1970());
    }

    // None only when the fields or the moment do not fit the C time types.
    std::optional<double> secondsSince1970(const DateComponents& components) const;
    std::optional<platform::Date> date(const DateComponents& components) const;

    // Calendar days from the day of `from` to the day of `to` (positive when `from` lies on an earlier
    // day), whatever the times of day and the length of the days between.
    std::int64_t daysBetween(const platform::Date& from, const platform::Date& to) const;

    static int daysInMonth(std::int64_t year, std::int64_t month);
    // Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
    static std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);

private:
    explicit Calendar(bool gmt) : gmt_(gmt) {}
    bool gmt_;
};

}  // namespace Brindle
