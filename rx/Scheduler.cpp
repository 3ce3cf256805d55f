#include "rx/Scheduler.h"

#include <algorithm>

namespace rx {
namespace detail {

void ScheduledAction::run() {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        if (done_) return;
        done_ = true;
        action.swap(action_);
    }
    if (action) action();
}

void ScheduledAction::dispose() {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        done_ = true;
        action.swap(action_);
    }
}

bool ScheduledAction::isDisposed() const {
    std::lock_guard lock(mutex_);
    return done_;
}

namespace {

// Repeats by scheduling each run relative to the start, so that the period does not drift.
class PeriodicTask final : public DisposableBase, public std::enable_shared_from_this<PeriodicTask> {
public:
    PeriodicTask(SchedulerPtr scheduler, TimeInterval period, std::function<void()> action)
        : scheduler_(std::move(scheduler)),
          period_(period),
          start_(scheduler_->now()),
          action_(std::make_shared<std::function<void()>>(std::move(action))) {}

    void scheduleNext() {
        TimeInterval delay;
        {
            std::lock_guard lock(mutex_);
            if (!action_) return;
            ++runs_;
            delay = std::max(0.0, start_ + static_cast<double>(runs_) * period_ - scheduler_->now());
        }
        // The pending block owns this task; the task only refers to the block.
        auto pending = scheduler_->scheduleAfter(delay, [self = shared_from_this()] { self->tick(); });
        std::unique_lock lock(mutex_);
        if (!action_) {
            lock.unlock();
            pending.dispose();
            return;
        }
        pending_ = pending;
    }

    void dispose() override {
        WeakDisposable pending;
        std::shared_ptr<std::function<void()>> action;
        {
            std::lock_guard lock(mutex_);
            action.swap(action_);
            pending = pending_;
        }
        pending.dispose();
    }

    bool isDisposed() const override {
        std::lock_guard lock(mutex_);
        return !action_;
    }

private:
    void tick() {
        std::shared_ptr<std::function<void()>> action;
        {
            std::lock_guard lock(mutex_);
            action = action_;
        }
        if (!action) return;
        (*action)();
        scheduleNext();
    }

    const SchedulerPtr scheduler_;
    const TimeInterval period_;
    const TimeInterval start_;
    mutable std::mutex mutex_;
    std::shared_ptr<std::function<void()>> action_;
    WeakDisposable pending_;
    long long runs_ = 0;
};

}  // namespace
}  // namespace detail

Disposable Scheduler::schedulePeriodic(TimeInterval period, std::function<void()> action) {
    auto task = std::make_shared<detail::PeriodicTask>(shared_from_this(), period, std::move(action));
    task->scheduleNext();
    return Disposable(task);
}

}  // namespace rx
