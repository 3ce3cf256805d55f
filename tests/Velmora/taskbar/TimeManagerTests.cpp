#include <gtest/gtest.h>

#include "Brindle/Calendar.h"
#include "Velmora/taskbar/TimeManager.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Disposable.h"
#include "tests/Brindle/TimeZoneScope.h"

using Velmora::TimeManager;
using Strings = std::vector<std::string>;

// Made half a second before midnight, a clock changes its texts a second later, the date first.
TEST(TimeManager, EachClockTicksEverySecondFromItsCreationAnnouncingOnlyChangedTextsUntilItEnds) {
    TimeZoneScope zone(TimeZoneScope::centralEurope);
    // 2026-12-31 23:59:59.5 in central Europe (winter: UTC+1).
    platform::testing::VirtualMainLoop loop(
        *Brindle::Calendar::gmt().secondsSince1970({2026, 12, 31, 22, 59, 59}) + 0.5);
    auto time = Brindle::make<TimeManager>();
    auto other = Brindle::make<TimeManager>();
    EXPECT_EQ(time->timeString.value(), "23:59");
    EXPECT_EQ(time->dateString.value(), "2026-12-31");
    EXPECT_EQ(loop.pendingCount(), 2u);
    Strings seen;
    rx::DisposeBag bag;
    bag.insert(time->dateString.observe([&](const std::string& date) { seen.push_back("date " + date); }));
    bag.insert(time->timeString.observe([&](const std::string& text) { seen.push_back("time " + text); }));
    seen.clear();
    loop.advance(0.75);
    EXPECT_TRUE(seen.empty());
    loop.advance(0.25);
    EXPECT_EQ(seen, (Strings{"date 2027-01-01", "time 00:00"}));
    loop.advance(59.0);
    EXPECT_EQ(seen.size(), 2u);
    loop.advance(1.0);
    EXPECT_EQ(seen.back(), "time 00:01");
    std::weak_ptr<TimeManager> released = other;
    other.reset();
    EXPECT_TRUE(released.expired());
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), 1u);
}

// The texts are kept through the minute, yet a change of zone shows at the next tick, mid-minute.
TEST(TimeManager, FollowsATimeZoneChangeAtTheNextTickWithinTheMinute) {
    TimeZoneScope zone("UTC0");
    // 2026-06-30 23:30:20 UTC.
    platform::testing::VirtualMainLoop loop(
        *Brindle::Calendar::gmt().secondsSince1970({2026, 6, 30, 23, 30, 20}));
    auto time = Brindle::make<TimeManager>();
    EXPECT_EQ(time->timeString.value(), "23:30");
    loop.advance(1.0);
    {
        TimeZoneScope summer(TimeZoneScope::centralEurope);
        loop.advance(1.0);
        EXPECT_EQ(time->timeString.value(), "01:30");
        EXPECT_EQ(time->dateString.value(), "2026-07-01");
        loop.advance(1.0);
        EXPECT_EQ(time->timeString.value(), "01:30");
    }
    loop.advance(1.0);
    EXPECT_EQ(time->timeString.value(), "23:30");
    EXPECT_EQ(time->dateString.value(), "2026-06-30");
    loop.advance(36.0);
    EXPECT_EQ(time->timeString.value(), "23:31");
}
