#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Brindle/Calendar.h"
#include "Velmora/taskbar/TimeManager.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Disposable.h"
#include "tests/Brindle/TimeZoneScope.h"

using Velmora::TimeManager;

namespace {

using Strings = std::vector<std::string>;

// Seconds since 1970 of a local time in central Europe (winter: UTC+1).
double cet(int year, int month, int day, int hour, int minute, double second) {
    return *Brindle::Calendar::gmt().secondsSince1970({year, month, day, hour, minute, 0}) - 3600 + second;
}

// Every change announced by a clock, in order, after the texts it started with.
struct Announcements {
    explicit Announcements(const TimeManager& time) {
        bag.insert(
            time.dateString.observe([this](const std::string& date) { seen.push_back("date " + date); }));
        bag.insert(
            time.timeString.observe([this](const std::string& text) { seen.push_back("time " + text); }));
        seen.clear();
    }
    Strings seen;
    rx::DisposeBag bag;
};

TEST(TimeManager, FillsTheTextsAtCreationAndAtMidnightChangesTheDateFirst) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    platform::testing::VirtualMainLoop loop(cet(2026, 12, 31, 23, 59, 59.5));
    auto time = Brindle::make<TimeManager>();
    EXPECT_EQ(time->timeString.value(), "23:59");
    EXPECT_EQ(time->dateString.value(), "2026-12-31");
    Announcements changes(*time);
    loop.advance(1.0);
    EXPECT_EQ(changes.seen, (Strings{"date 2027-01-01", "time 00:00"}));
}

TEST(TimeManager, EachClockTicksEverySecondFromItsCreationAnnouncingOnlyChangedTextsUntilItEnds) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    // A quarter of a second into the 12th second: the minute turns 47.75 s later.
    platform::testing::VirtualMainLoop loop(cet(2026, 3, 14, 9, 5, 12.25));
    auto time = Brindle::make<TimeManager>();
    auto other = Brindle::make<TimeManager>();
    EXPECT_EQ(loop.pendingCount(), 2u);
    Announcements changes(*time);
    loop.advance(47.5);
    EXPECT_TRUE(changes.seen.empty());
    // The minute has turned but the next tick is a quarter of a second away.
    loop.advance(0.25);
    EXPECT_EQ(time->timeString.value(), "09:05");
    loop.advance(0.25);
    EXPECT_EQ(changes.seen, (Strings{"time 09:06"}));
    loop.advance(59.0);
    EXPECT_EQ(changes.seen.size(), 1u);
    loop.advance(1.0);
    EXPECT_EQ(changes.seen, (Strings{"time 09:06", "time 09:07"}));

    std::weak_ptr<TimeManager> released = other;
    other.reset();
    EXPECT_TRUE(released.expired());
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), 1u);
}

}  // namespace
