#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/base/TimerGrid.h"

using platform::TimerGrid;

namespace {

// A grid on virtual clocks, the wall clock's seconds beginning 0.3 s after the monotonic one's, and
// a loop that beats it 0.3 ms after each due time.
struct Loop {
    double monotonic = 100.0, offset = 1'800'000'000.3 - 100.0, lastFired = 0;
    TimerGrid grid{{[this] { return monotonic; }, [this] { return monotonic + offset; }}};
    // Where in the wall clock's second each timer fired, in tenths of a millisecond.
    std::map<std::string, std::vector<long>> phases;
    int beats = 0;

    void add(double interval, const std::string& name, int times = -1) {
        grid.add(interval, [this, name, times]() mutable {
            const double wall = monotonic + offset;
            phases[name].push_back(std::lround((wall - std::floor(wall)) * 1e4));
            lastFired = monotonic;
            return --times != 0;
        });
    }
    void run(double until) {
        for (auto due = grid.nextDue(); due && *due <= until; due = grid.nextDue(), ++beats) {
            monotonic = *due + 0.0003;
            grid.fire({});
        }
        monotonic = std::max(monotonic, until);
    }
};

}  // namespace

TEST(TimerGrid,
     TimersOfHalfAndWholeSecondsFireTogetherJustAfterTheWallClocksSecondsThroughStallsAndSetClocks) {
    Loop loop;
    loop.add(0.5, "poll");
    loop.monotonic += 0.13;
    loop.add(1.0, "clock");
    loop.monotonic += 0.41;
    loop.add(2.0, "slow");
    loop.run(110.0);
    // So a clock that shows minutes turns at the minute.
    EXPECT_EQ(loop.phases["clock"], std::vector<long>(9, 23));
    EXPECT_EQ(loop.phases["slow"], std::vector<long>(4, 23));
    const auto& poll = loop.phases["poll"];
    EXPECT_EQ(std::set<long>(poll.begin(), poll.end()), (std::set<long>{23, 5023}));
    EXPECT_EQ(loop.beats, 19) << "every timer fires on one of the half-second timer's beats";
    // Three seconds without a turn of the loop: once each when it turns, then back on the grid.
    for (auto& each : loop.phases) each.second.clear();
    loop.monotonic = *loop.grid.nextDue() + 3.0;
    loop.grid.fire({});
    loop.run(loop.monotonic + 2.0);
    EXPECT_EQ(loop.phases["clock"], (std::vector<long>{5020, 23, 23}));
    EXPECT_EQ(poll.size(), 5u);
    // The wall clock is set 0.3 s back: within a period the firings follow its new seconds.
    loop.offset -= 0.3;
    for (auto& each : loop.phases) each.second.clear();
    loop.run(loop.monotonic + 4.0);
    EXPECT_EQ(loop.phases["clock"], (std::vector<long>{7023, 23, 23, 23}));
    EXPECT_EQ(poll.size(), 8u);
}

TEST(TimerGrid, AFirstFiringComesNoSoonerThanOneIntervalAndNoLaterThanOneSpacingMore) {
    for (double phase : {0.0, 0.001, 0.25, 0.5, 0.999})
        for (double interval : {0.5, 1.0, 1.5, 3.0}) {
            Loop loop;
            loop.offset = std::floor(loop.offset) + phase;
            loop.add(interval, "timer", 1);
            loop.run(110.0);
            const double waited = loop.lastFired - 100.0003,
                         spacing = std::fmod(interval, 1.0) == 0 ? 1 : 0.5;
            EXPECT_TRUE(loop.phases["timer"].size() == 1 && waited > interval - 1e-6 &&
                        waited < interval + spacing)
                << "phase " << phase << ", interval " << interval << ", waited " << waited;
        }
}

TEST(TimerGrid, ATickEndsItsTimerAndMayAddOneOrRunANestedLoopInWhichOnlyTheOthersFire) {
    Loop loop;
    loop.add(0.5, "twice", 2);
    int outer = 0;
    loop.grid.add(0.5, [&] {
        if (++outer == 1) {
            loop.run(loop.monotonic + 3.0);  // a modal loop inside the tick
            EXPECT_EQ(outer, 1) << "never again while its tick runs";
            loop.add(1.0, "added", 1);
        }
        return outer < 3;
    });
    bool armed = false;
    loop.grid.fire([&] { armed = true; });
    EXPECT_TRUE(armed) << "armed even when nothing was due";
    loop.run(120.0);
    EXPECT_EQ(loop.phases["twice"].size(), 2u) << "ended by its second tick, even in the nested loop";
    EXPECT_EQ(loop.phases["added"].size(), 1u);
    EXPECT_EQ(outer, 3) << "ended by its third tick";
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
