#include <gmock/gmock.h>

#include <cstdint>

#include "Brindle/DateTime.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Brindle/TimeZoneScope.h"

using namespace Brindle;
using ::testing::ElementsAre;

namespace {
DateTime make(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t hour = 0,
              std::int64_t minute = 0, std::int64_t second = 0) {
    return *DateTime::make(year, month, day, hour, minute, second);
}

std::string stamp(const std::optional<DateTime>& value) {
    return value ? value->description() + " " + value->simpleTime().description() : "none";
}

class DateTimeTest : public ::testing::Test {
    TimeZoneScope zone_{TimeZoneScope::centralEurope};
};
}  // namespace

TEST_F(DateTimeTest, ReadsItsFieldsInTheCurrentZoneAndWritesThem) {
    const auto value = make(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(value.timeIntervalSince1970(), 1709644029.0);
    EXPECT_EQ(value.simpleDate(), (SimpleDate{2024, 3, 5}));
    EXPECT_EQ(value.simpleTime(), (SimpleTime{14, 7, 9}));
    EXPECT_EQ(value.weekDay(), WeekDay::tuesday);
    EXPECT_EQ(value.description(), "2024-03-05");
    TimeZoneScope utc("UTC0");
    EXPECT_EQ(value.hour(), 13);

    std::string names;
    for (int raw = 0; raw <= 8; ++raw)
        if (const auto day = weekDayFromRawValue(raw)) names += description(*day) + " ";
    EXPECT_EQ(names, "Monday Tuesday Wednesday Thursday Friday Saturday Sunday ");
    EXPECT_EQ((SimpleTime{9, 5, 0}).description(), "09:05");
    EXPECT_EQ((SimpleTime{23, 59, 10}).debugDescription(), "23:59:10");
    EXPECT_EQ((SimpleDate{2024, 12, 1}).description(), "2024-12-01");
    EXPECT_EQ((SimpleDate{2024, -3, 10}).description(), "2024-0-3-10");
}

TEST_F(DateTimeTest, WeeksStartOnMondayAndMonthsFollowTheLeapYearRules) {
    // Across the change to summer time and across a month.
    using Week = std::pair<DateTime, const char*>;
    for (const auto& [day, monday] :
         {Week{make(2024, 3, 10, 15, 30), "2024-03-04 00:00"}, Week{make(2024, 3, 4, 9), "2024-03-04 00:00"},
          Week{make(2024, 3, 31, 12), "2024-03-25 00:00"}, Week{make(2024, 5, 2), "2024-04-29 00:00"}})
        EXPECT_EQ(stamp(day.startOfWeek()), monday);
    EXPECT_EQ(make(2024, 3, 10).weekDay(), WeekDay::sunday);
    EXPECT_TRUE(make(2024, 3, 4, 0).isSameWeek(make(2024, 3, 10, 23, 59)));
    EXPECT_FALSE(make(2024, 3, 10, 23, 59).isSameWeek(make(2024, 3, 11)));
    EXPECT_TRUE(make(2024, 3, 31, 8).isSameMonth(make(2024, 3, 1)));
    EXPECT_FALSE(make(2024, 3, 31).isSameMonth(make(2023, 3, 31)));

    // The leap-year rules themselves are the calendar's.
    EXPECT_EQ(make(2024, 2, 10).daysInMonth(), 29);
    EXPECT_EQ(make(2024, 12, 31, 23).daysInMonth(), 31);
}

TEST_F(DateTimeTest, ArithmeticCarriesMonthsAndDaysAtMidnight) {
    const auto endOfJanuary = make(2024, 1, 31, 15, 30);
    using Moved = std::pair<std::optional<DateTime>, const char*>;
    for (const auto& [moved, expected] : {Moved{endOfJanuary.addingDays(1), "2024-02-01 00:00"},
                                          Moved{endOfJanuary.addingMonths(1), "2024-03-02 00:00"},
                                          Moved{make(2023, 1, 31).addingMonths(1), "2023-03-03 00:00"},
                                          Moved{endOfJanuary.addingMonths(-2), "2023-12-01 00:00"},
                                          Moved{make(2024, 2, 29).addingYears(1), "2025-03-01 00:00"},
                                          Moved{endOfJanuary.addingDays(-31), "2023-12-31 00:00"},
                                          Moved{endOfJanuary.startOfDay(), "2024-01-31 00:00"},
                                          Moved{DateTime::make(2024, 13, 1, 0, 0, 0), "2025-01-01 00:00"},
                                          Moved{DateTime::make(2024, 3, 0, 0, 0, 0), "2024-02-29 00:00"},
                                          Moved{DateTime::make(2024, 2, 32, 0, 0, 0), "2024-03-03 00:00"},
                                          Moved{DateTime::make(2024, 3, 1, -1, 0, 0), "2024-02-29 23:00"},
                                          Moved{DateTime::make(INT64_MAX, 1, 1, 0, 0, 0), "none"},
                                          Moved{DateTime::make(2024, INT64_MIN, 1, 0, 0, 0), "none"},
                                          Moved{endOfJanuary.addingYears(INT64_MAX), "none"},
                                          Moved{endOfJanuary.addingDays(INT64_MIN), "none"}})
        EXPECT_EQ(stamp(moved), expected);
}

TEST_F(DateTimeTest, DaysUntilAnEndKeepBothEndsTimesAndTodayFollowsTheClock) {
    const auto monday = make(2024, 3, 4, 10);
    const auto wednesday = make(2024, 3, 6, 8);
    std::vector<std::string> stamps;
    for (const auto& day : monday.days(wednesday)) stamps.push_back(stamp(day));
    EXPECT_THAT(stamps, ElementsAre("2024-03-04 10:00", "2024-03-05 00:00", "2024-03-06 08:00"));
    EXPECT_TRUE(wednesday.days(monday).empty());
    EXPECT_THAT(monday.days(make(2024, 3, 4, 23)), ElementsAre(make(2024, 3, 4, 23)));
    EXPECT_EQ(make(2024, 3, 30, 12).days(make(2024, 4, 1, 1)).size(), 3u);

    platform::testing::VirtualMainLoop loop(1709643600.0);  // 2024-03-05 14:00 local
    EXPECT_TRUE(make(2024, 3, 5).isToday());
    EXPECT_TRUE(make(2024, 3, 5, 23, 59, 59).isToday());
    EXPECT_FALSE(make(2024, 3, 4, 23, 59, 59).isToday());
    EXPECT_EQ(DateTime().timeIntervalSince1970(), 1709643600.0);
    loop.advance(10 * 3600);
    EXPECT_FALSE(make(2024, 3, 5).isToday());
}

TEST(DateTime, JsonHoldsOnlyTheRawSecondsAndOddMomentsStillBehave) {
    const DateTime value(platform::Date::fromTimeIntervalSinceReferenceDate(731339229.123456789));
    const nlohmann::json json = value;
    EXPECT_EQ(json, (nlohmann::json{{"rawValue", value.timeIntervalSince1970()}}));
    EXPECT_EQ(nlohmann::json::parse(json.dump()).get<DateTime>(), value);
    EXPECT_EQ(nlohmann::json::parse(R"({"rawValue": 86400})").get<DateTime>().timeIntervalSince1970(),
              86400.0);
    for (const char* text : {R"({"rawValue": "86400"})", R"({"seconds": 1})", "[1]"})
        EXPECT_THROW(nlohmann::json::parse(text).get<DateTime>(), nlohmann::json::exception) << text;
    // Signed zeros are equal and hash alike; outlandish moments still read as some day.
    const auto zero = nlohmann::json{{"rawValue", 0.0}}.get<DateTime>();
    const auto negativeZero = nlohmann::json{{"rawValue", -0.0}}.get<DateTime>();
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(std::hash<DateTime>{}(zero), std::hash<DateTime>{}(negativeZero));
    TimeZoneScope zone("UTC0");
    EXPECT_GT(DateTime(platform::Date::fromTimeIntervalSince1970(1e300)).year(), 300000000);
    EXPECT_EQ(DateTime(platform::Date::fromTimeIntervalSince1970(std::nan(""))).description(), "1970-01-01");
}
