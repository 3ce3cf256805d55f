#pragma once

#include <functional>
#include <memory>

#include "platform/base/TimeInterval.h"
#include "rx/Disposable.h"

namespace rx {

using platform::TimeInterval;

// Where and when work runs. Schedulers are always held by shared_ptr (SchedulerPtr).
class Scheduler : public std::enable_shared_from_this<Scheduler> {
public:
    virtual ~Scheduler() = default;

    // The scheduler's clock, in seconds; time-based operators read no other.
    virtual TimeInterval now() const = 0;
    // Runs `action` as soon as the scheduler allows (possibly before returning).
    virtual Disposable schedule(std::function<void()> action) = 0;
    // Runs `action` after `dueTime` seconds, never before returning.
    virtual Disposable scheduleAfter(TimeInterval dueTime, std::function<void()> action) = 0;
    // Runs `action` every `period` seconds, the first time one period from now, one run at a
    // time, until disposed.
    virtual Disposable schedulePeriodic(TimeInterval period, std::function<void()> action);
};

using SchedulerPtr = std::shared_ptr<Scheduler>;

namespace detail {

// A block waiting on a scheduler. Disposing it drops the block (and what it captured) at once.
class ScheduledAction final : public DisposableBase {
public:
    explicit ScheduledAction(std::function<void()> action) : action_(std::move(action)) {}

    // Runs the block unless it was disposed; a block runs at most once.
    void run();
    void dispose() override;
    bool isDisposed() const override;

private:
    mutable std::mutex mutex_;
    std::function<void()> action_;
    bool done_ = false;
};

// Operators compare the time left against zero with a tolerance, so that a delay that is due
// "now" up to clock rounding is treated as due.
inline bool isDue(TimeInterval remaining) { return remaining <= 5e-10; }

}  // namespace detail
}  // namespace rx
