#include <gtest/gtest.h>

#include <cmath>

#include "Brindle/DateExtensions.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Brindle/TimeZoneScope.h"

using namespace Brindle;
using platform::Date;

namespace {
Date at(double secondsSince1970) { return Date::fromTimeIntervalSince1970(secondsSince1970); }

// 2024-03-05 14:00:00 in central Europe (13:00 UTC), a Tuesday.
constexpr double tuesdayAfternoon = 1709643600.0;
}  // namespace

TEST(DateExtensions, Iso8601RoundTripsWholeSecondsAtGmt) {
    EXPECT_EQ(iso8601(at(1709647629)), "2024-03-05T14:07:09Z");
    EXPECT_EQ(iso8601(at(1709647629.999)), "2024-03-05T14:07:09Z");
    EXPECT_EQ(iso8601(at(-0.5)), "1969-12-31T23:59:59Z");
    for (double seconds :
         {0.0, 1709647629.0, 951868799.0 /* 2000-02-29T23:59:59 */, -11676096000.0 /* 1600 */,
          253402300799.0 /* 9999-12-31T23:59:59 */, -1.0, -62135596800.0 /* 0001-01-01 */, -62135596801.0,
          -62198755200.0 /* year 0 */, -65000000000.0, 1e15, -1e15}) {
        const auto text = iso8601(at(seconds));
        EXPECT_EQ(dateFromISO8601(text), at(seconds)) << text;
    }
    EXPECT_EQ(iso8601(at(-62135596801.0)), "0000-12-31T23:59:59Z");
    EXPECT_EQ(iso8601(at(-65000000000.0)), "-0090-03-27T04:26:40Z");
    // Past the nine-digit years, or no moment at all: the nearest one the reader takes.
    EXPECT_EQ(iso8601(at(1e300)), "999999999-12-31T23:59:56Z");
    EXPECT_EQ(iso8601(at(-INFINITY)), "-999999999-01-01T00:00:00Z");
    EXPECT_EQ(iso8601(at(NAN)), "1970-01-01T00:00:00Z");
    EXPECT_TRUE(dateFromISO8601(iso8601(at(1e300))));
    EXPECT_EQ(dateFromISO8601("2024-03-05T16:07:09+02:00"), at(1709647629));
    EXPECT_EQ(dateFromISO8601("2024-03-05T09:37:09-0430"), at(1709647629));
}

TEST(DateExtensions, Iso8601RejectsTextOfAnotherForm) {
    for (const char* text :
         {"", "2024-03-05", "2024-03-05T14:07:09", "2024-03-05T14:07:09Zjunk", "2024-02-30T00:00:00Z",
          "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-03-05T24:00:00Z", "2024-03-05T14:07:60Z",
          "24-03-05T14:07:09Z", "2024-03-05 14:07:09Z", "2024-03-05T14:07:09.5Z", "2024-03-05T14:07:09+2:00",
          "2024-03-05T14:07:09+02:", "+2024-03-05T14:07:09Z"})
        EXPECT_EQ(dateFromISO8601(text), std::nullopt) << text;
    EXPECT_TRUE(dateFromISO8601("2000-02-29T00:00:00Z"));
}

TEST(DateExtensions, RelativeTextAroundItsBoundaries) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    platform::testing::VirtualMainLoop loop(tuesdayAfternoon);
    using Ago = std::pair<double, const char*>;
    for (const auto& [seconds, text] :
         {Ago{30, "Just now"}, Ago{60, "Just now"}, Ago{61, "2 min ago"}, Ago{90, "2 min ago"},
          Ago{3600, "60 min ago"}, Ago{3601, "12:59"}, Ago{2 * 3600, "12:00"}, Ago{-30, "Just now"},
          Ago{14.5 * 3600, "Yesterday, 23:30"}, Ago{2 * 86400, "2 days ago, 14:00"},
          Ago{4 * 86400 + 13 * 3600, "4 days ago, 01:00"}, Ago{5 * 86400, "29 Feb 14:00"}})
        EXPECT_EQ(relativeText(at(tuesdayAfternoon - seconds), false), text) << seconds;
    EXPECT_EQ(relativeText(at(tuesdayAfternoon - 3600), true), "0 days ago, 13:00");
    EXPECT_EQ(relativeText(at(tuesdayAfternoon - 86400), true), "Yesterday, 14:00");
}

TEST(DateExtensions, DaysCountByTheCalendarJustAfterMidnight) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    platform::testing::VirtualMainLoop loop(1709593800.0);  // 2024-03-05 00:10 local
    EXPECT_EQ(relativeText(*makeDate(2024, 3, 4, 23, 55), false), "Yesterday, 23:55");
    EXPECT_EQ(relativeText(*makeDate(2024, 3, 5, 0, 9), false), "Just now");
    // Days since 1970 count whole days at GMT, whatever the zone.
    EXPECT_EQ(daysSince1970(at(86399.9)), 0);
    EXPECT_EQ(daysSince1970(at(86400)), 1);
    EXPECT_EQ(daysSince1970(at(-1)), -1);
}

TEST(DateExtensions, FormatterPatterns) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    const auto date = at(1709647629);  // 15:07:09 local
    EXPECT_EQ(DateFormatter::make("yyyy-MM-dd'T'HH:mm:ssZZZZZ").string(date), "2024-03-05T15:07:09+01:00");
    EXPECT_EQ(DateFormatter::make("d MMMM yy, H 'o''clock' Z").string(date), "5 March 24, 15 o'clock +0100");
    EXPECT_EQ(DateFormatter::make("''MMM'' MMMMM ZZZZ").string(date), "'Mar' M GMT+01:00");
    EXPECT_EQ(DateFormatter::make("dd MMM HH:mm").string(at(1709647629 - 5 * 86400)), "29 Feb 15:07");
    EXPECT_EQ(dateTime(date).timeIntervalSince1970(), 1709647629);
}

TEST(DateExtensionsDeathTest, AnUnsupportedPatternLetterIsAProgrammingError) {
    EXPECT_DEATH(DateFormatter::make("EEEE"), "unsupported pattern letter");
}
