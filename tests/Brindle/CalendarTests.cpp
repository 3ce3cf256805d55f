#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "Brindle/Calendar.h"
#include "Brindle/DateExtensions.h"
#include "tests/Brindle/TimeZoneScope.h"

using Brindle::Calendar;
using Brindle::DateComponents;

namespace {
auto fields(const DateComponents& c) {
    return std::tuple(c.year, c.month, c.day, c.hour, c.minute, c.second, c.weekday);
}
}  // namespace

// The GMT calendar works its fields out on its own: the C library at UTC and the ISO 8601 writer check it.
TEST(Calendar, GmtFieldsAgreeWithTheCLibraryAndTheIso8601Writer) {
    TimeZoneScope utc("UTC0");
    const auto gmt = Calendar::gmt();
    for (double seconds : {0.0, -1.0, 1709647629.0, 951868799.0 /* 2000-02-29T23:59:59 */,
                           -11676096000.0 /* 1600 */, 253402300799.0 /* 9999-12-31T23:59:59 */,
                           -62198755200.0 /* year 0 */, -65000000000.0, 1e15, -1e15}) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(fields(gmt.components(seconds)), fields(Calendar::current().components(seconds)));
        EXPECT_EQ(gmt.secondsSince1970(gmt.components(seconds)), seconds);
        if (seconds > -62198755200.0) {
            const auto date = platform::Date::fromTimeIntervalSince1970(seconds);
            EXPECT_EQ(Brindle::iso8601Formatter().string(date), Brindle::iso8601(date));
        }
    }
    // Moments too far out are clamped, and no moment at all reads as 1970.
    EXPECT_EQ(fields(gmt.components(NAN)), fields(gmt.components(0)));
    EXPECT_EQ(fields(gmt.components(1e300)), fields(gmt.components(1e16)));
    EXPECT_EQ(fields(gmt.components(-INFINITY)), fields(gmt.components(-1e16)));
}

TEST(Calendar, LocalDaysFollowSummerTimeAndCountCalendarDaysNotSpansOf24Hours) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    const auto calendar = Calendar::current();
    auto days = [&](DateComponents from, DateComponents to) {
        return calendar.daysBetween(*calendar.date(from), *calendar.date(to));
    };
    // Summer time starts on 31 March 2024: that day has 23 hours.
    EXPECT_EQ(days({2024, 3, 30, 12}, {2024, 4, 1, 0, 30}), 2);
    EXPECT_EQ(days({2024, 3, 5, 23, 59}, {2024, 3, 6, 0, 1}), 1);
    EXPECT_EQ(days({2024, 3, 6, 0, 1}, {2024, 3, 5, 23, 59}), -1);
    EXPECT_EQ(days({2024, 3, 5, 0, 0}, {2024, 3, 5, 23, 59}), 0);
    EXPECT_EQ(calendar.components(1719835200.0).utcOffset, 7200);  // 2024-07-01 12:00 UTC
    EXPECT_EQ(calendar.secondsSince1970({2024, 7, 1, 14}), 1719835200.0);

    // Months out of range carry into the year, as in every other calendar input.
    EXPECT_EQ(Calendar::daysInMonth(2024, 14), 28);
    EXPECT_EQ(Calendar::daysInMonth(2024, 0), 31);
    EXPECT_EQ(Calendar::daysInMonth(2024, -10), 28);
    EXPECT_EQ(Calendar::daysInMonth(2000, 2), 29);
    EXPECT_EQ(Calendar::daysInMonth(1900, 2), 28);
    EXPECT_EQ(Calendar::daysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(Calendar::daysFromCivil(1969, 12, 31), -1);
}
