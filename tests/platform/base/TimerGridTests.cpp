#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/base/TimerGrid.h"

using platform::TimerGrid;

namespace {

// A grid on virtual clocks, and the loop that beats it: each beat moves the clocks to the next due
// time (or later, for a late loop) and fires.
struct Loop {
    double monotonic = 100.0;
    // The wall clock runs this far ahead: its seconds begin 0.3 s after the monotonic clock's.
    double offset = 1'800'000'000.3 - 100.0;
    TimerGrid grid{{[this] { return monotonic; }, [this] { return monotonic + offset; }}};
    // Every firing: the wall time and the timer's name.
    std::vector<std::pair<double, std::string>> fired;
    int beats = 0;

    void add(double interval, std::string name, int times = -1) {
        grid.add(interval, [this, name, times]() mutable {
            fired.emplace_back(monotonic + offset, name);
            return times < 0 || --times > 0;
        });
    }
    // Beats until `until` on the monotonic clock, `lateBy` after each due time.
    void run(double until, double lateBy = 0.0003) {
        while (auto due = grid.nextDue()) {
            if (*due > until) break;
            monotonic = *due + lateBy;
            ++beats;
            grid.fire({});
        }
        monotonic = std::max(monotonic, until);
    }
    // The fraction of the wall clock's second at which each of `name`'s firings came.
    std::vector<double> phases(const std::string& name) const {
        std::vector<double> result;
        for (const auto& [wall, who] : fired)
            if (who == name) result.push_back(std::round((wall - std::floor(wall)) * 10000) / 10000);
        return result;
    }
};

}  // namespace

TEST(TimerGrid, TimersOfHalfAndWholeSecondsFireTogetherJustAfterTheWallClocksSeconds) {
    Loop loop;
    loop.add(0.5, "poll");
    loop.monotonic += 0.13;
    loop.add(1.0, "clock");
    loop.monotonic += 0.41;
    loop.add(1.0, "test");
    loop.add(2.0, "slow");
    loop.run(110.0);
    // Fired just after whole seconds (the half-second timer also after half seconds), so a clock
    // that shows minutes turns at the minute.
    for (const auto* name : {"clock", "test", "slow"})
        for (double phase : loop.phases(name)) EXPECT_EQ(phase, 0.0023) << name;
    for (double phase : loop.phases("poll")) EXPECT_TRUE(phase == 0.0023 || phase == 0.5023) << phase;
    std::map<std::string, int> counts;
    for (const auto& [wall, name] : loop.fired) ++counts[name];
    EXPECT_EQ(counts["poll"], 19);
    EXPECT_EQ(counts["clock"], 9);
    EXPECT_EQ(counts["test"], 9);
    EXPECT_EQ(counts["slow"], 4);
    EXPECT_EQ(loop.beats, 19) << "every timer fires on one of the half-second timer's beats";
}

TEST(TimerGrid, AFirstFiringComesNoSoonerThanOneIntervalAndNoLaterThanOneSpacingMore) {
    // The wall clock's phase decides how long the first wait is: never shorter than the interval.
    for (double phase : {0.0, 0.001, 0.25, 0.5, 0.999}) {
        for (double interval : {0.5, 1.0, 1.5, 3.0}) {
            Loop loop;
            loop.offset = std::floor(loop.offset) + phase - std::floor(loop.monotonic);
            loop.add(interval, "timer", 1);
            const double added = loop.monotonic;
            loop.run(added + 10);
            ASSERT_EQ(loop.fired.size(), 1u);
            const double waited = loop.fired[0].first - loop.offset - added - 0.0003;
            const double spacing = std::fmod(interval, 1.0) == 0 ? 1.0 : 0.5;
            EXPECT_GE(waited, interval - 1e-6) << phase << " " << interval;
            EXPECT_LT(waited, interval + spacing) << phase << " " << interval;
        }
    }
}

TEST(TimerGrid, AStalledLoopFiresEachTimerOnceAndASetWallClockMovesTheGridWithoutStoppingIt) {
    Loop loop;
    loop.add(0.5, "poll");
    loop.add(1.0, "clock");
    loop.run(102.0);
    loop.fired.clear();
    // Three seconds without a turn of the loop: one firing each, then back on the grid.
    loop.monotonic = *loop.grid.nextDue() + 3.0;
    loop.grid.fire({});
    EXPECT_EQ(loop.fired.size(), 2u);
    loop.run(loop.monotonic + 2.0);
    EXPECT_EQ(loop.fired.size(), 2u + 4u + 2u);
    const auto resumed = loop.phases("clock");
    ASSERT_EQ(resumed.size(), 3u);
    EXPECT_EQ(resumed[1], 0.0023) << "the late firing came when it could; the next ones on the grid";
    EXPECT_EQ(resumed[2], 0.0023);
    // The wall clock is set 0.3 s back: within a period the firings follow its new seconds.
    loop.offset -= 0.3;
    loop.fired.clear();
    const double set = loop.monotonic;
    loop.run(set + 4.0);
    ASSERT_GE(loop.fired.size(), 10u);
    EXPECT_LT(loop.fired[0].first - loop.offset - set, 1.0);
    const auto phases = loop.phases("clock");
    for (std::size_t i = 1; i < phases.size(); ++i) EXPECT_EQ(phases[i], 0.0023);
}

TEST(TimerGrid, ATickEndsItsTimerAndMayAddOneOrRunANestedLoopInWhichOnlyTheOthersFire) {
    Loop loop;
    loop.add(0.5, "twice", 2);
    int nested = 0;
    bool armedFirst = false;
    loop.grid.add(1.0, [&] {
        loop.fired.emplace_back(loop.monotonic + loop.offset, "outer");
        if (nested++ == 0) {
            // A modal loop inside the tick, turning for three seconds.
            const double until = loop.monotonic + 3.0;
            loop.run(until);
            loop.add(1.0, "added", 1);
        }
        return nested < 3;
    });
    loop.grid.fire([&] { armedFirst = true; });
    EXPECT_TRUE(armedFirst) << "armed even when nothing was due";
    loop.run(120.0);
    std::map<std::string, int> counts;
    for (const auto& [wall, name] : loop.fired) ++counts[name];
    EXPECT_EQ(counts["twice"], 2) << "ended by its second tick, even inside the nested loop";
    EXPECT_EQ(counts["outer"], 3) << "never again while its tick ran, and ended by its third";
    EXPECT_EQ(counts["added"], 1);
    EXPECT_FALSE(loop.grid.nextDue());
    EXPECT_EQ(loop.grid.count(), 0u);
}

TEST(TimerGrid, OnlyWholeHalfSecondsUpToADayFitTheGrid) {
    for (double interval : {0.5, 1.0, 1.5, 2.0, 60.0, 86400.0})
        EXPECT_TRUE(TimerGrid::fits(interval)) << interval;
    for (double interval :
         {0.0, -0.5, 0.1, 0.25, 0.75, 1.001, 86400.5, std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(TimerGrid::fits(interval)) << interval;
}
