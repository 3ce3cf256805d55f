#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/TimeInterval.h"

namespace platform {

// Repeating timers of whole half seconds that share the loop's wake-ups. Each fires on a grid laid
// on the wall clock: just after every half second, or with a period of whole seconds just after
// every whole second. Timers of 0.5 s and 1 s then wake the program together instead of each at a
// moment of its own, and a clock that shows minutes turns right after the minute does. Times are
// seconds of the monotonic clock; the wall clock only places the grid, so setting it moves the next
// firings by less than a period and never stops a timer. Main thread only.
class TimerGrid {
public:
    struct Clocks {
        std::function<double()> monotonic;
        std::function<double()> wall;
    };
    // Grid points lie this long after the wall clock's half seconds.
    static constexpr TimeInterval lag = 0.002;
    // Timers due this little later fire with those due now: the same grid point read at two moments.
    static constexpr TimeInterval slack = 0.001;

    explicit TimerGrid(Clocks clocks);

    // Whether a timer of this interval belongs on the grid: a positive whole number of half seconds.
    static bool fits(TimeInterval interval);

    // Adds a timer of an interval that fits; it first fires on the first grid point at least one
    // interval from now, then once an interval, until `tick` returns false.
    void add(TimeInterval interval, std::function<bool()> tick);
    // When the next timer is due; none while no timer waits. A timer whose tick is running (in a
    // nested loop) waits for nothing until its tick returns.
    std::optional<double> nextDue() const;
    // Runs every timer due now, each once, in the order they were added. `arm` is called once all
    // their next firings are set and before the first tick, so that a tick that runs a nested loop
    // leaves the other timers firing; a running timer is not fired again until its tick returns.
    void fire(const std::function<void()>& arm);
    // Timers that have not ended.
    std::size_t count() const;

private:
    struct Timer {
        TimeInterval interval;
        // The grid's spacing for this timer: 1 s or 0.5 s.
        TimeInterval spacing;
        double due;
        std::function<bool()> tick;
        bool running = false;
        bool ended = false;
        // The firing that last took it: a nested firing that takes it again runs it instead.
        unsigned long long round = 0;
    };
    // The grid point of `spacing` nearest `time`, or the first at or after it, where the wall clock
    // runs `offset` ahead of the monotonic one.
    static double nearest(double time, TimeInterval spacing, double offset);
    static double following(double time, TimeInterval spacing, double offset);

    Clocks clocks_;
    // In the order they were added. Ended timers are dropped once no firing is under way, so that
    // a firing walks the list by position without copying it.
    std::vector<Timer> timers_;
    unsigned long long rounds_ = 0;
    int firing_ = 0;
};

}  // namespace platform
