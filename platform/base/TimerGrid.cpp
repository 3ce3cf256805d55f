#include "platform/base/TimerGrid.h"

#include <algorithm>
#include <cmath>

namespace platform {

TimerGrid::TimerGrid(Clocks clocks) : clocks_(std::move(clocks)) {}

bool TimerGrid::fits(TimeInterval interval) {
    // Beyond a day the grid saves nothing worth a special case.
    return std::isfinite(interval) && interval > 0 && interval <= 86400 && std::fmod(interval, 0.5) == 0;
}

double TimerGrid::nearest(double time, TimeInterval spacing, double offset) {
    const auto shift = offset - lag;
    return std::round((time + shift) / spacing) * spacing - shift;
}

double TimerGrid::following(double time, TimeInterval spacing, double offset) {
    const auto shift = offset - lag;
    return std::ceil((time + shift) / spacing) * spacing - shift;
}

void TimerGrid::add(TimeInterval interval, std::function<bool()> tick) {
    const double now = clocks_.monotonic();
    const double offset = clocks_.wall() - now;
    // Whole seconds keep to whole seconds; other half-second periods to half seconds.
    const TimeInterval spacing = std::fmod(interval, 1.0) == 0 ? 1.0 : 0.5;
    timers_.push_back(Timer{.interval = interval,
                            .spacing = spacing,
                            .due = following(now + interval, spacing, offset),
                            .tick = std::move(tick)});
}

std::size_t TimerGrid::count() const {
    return static_cast<std::size_t>(
        std::count_if(timers_.begin(), timers_.end(), [](const Timer& timer) { return !timer.ended; }));
}

std::optional<double> TimerGrid::nextDue() const {
    std::optional<double> next;
    for (const auto& timer : timers_)
        if (!timer.running && !timer.ended && (!next || timer.due < *next)) next = timer.due;
    return next;
}

void TimerGrid::fire(const std::function<void()>& arm) {
    const double now = clocks_.monotonic();
    const double offset = clocks_.wall() - now;
    const auto round = ++rounds_;
    bool any = false;
    for (auto& timer : timers_) {
        if (timer.running || timer.ended || timer.due > now + slack) continue;
        // From the grid point it was due at, so that late firings do not push the timer later;
        // a firing missed altogether (a stalled loop) is not made up for.
        auto next = nearest(timer.due + timer.interval, timer.spacing, offset);
        if (next <= now + slack) next = following(now + 2 * slack, timer.spacing, offset);
        timer.due = next;
        timer.round = round;
        any = true;
    }
    if (arm) arm();
    if (!any) return;
    ++firing_;
    // By position: a tick may add timers, which may move the list.
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        if (timers_[i].ended || timers_[i].round != round) continue;
        timers_[i].running = true;
        // The tick is moved out while it runs, so that the list may grow meanwhile.
        auto tick = std::move(timers_[i].tick);
        const bool keep = tick();
        auto& timer = timers_[i];
        timer.tick = std::move(tick);
        timer.running = false;
        if (!keep) timer.ended = true;
    }
    if (--firing_ == 0) std::erase_if(timers_, [](const Timer& timer) { return timer.ended; });
}

}  // namespace platform
