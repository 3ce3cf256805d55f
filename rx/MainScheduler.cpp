#include "rx/MainScheduler.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/base/Clock.h"

namespace rx {
namespace {

// The action of a repeating timer, dropped on dispose while the timer may still hold the block.
class TimerAction {
public:
    explicit TimerAction(std::function<void()> action)
        : action_(std::make_shared<std::function<void()>>(std::move(action))) {}
    std::shared_ptr<std::function<void()>> get() {
        std::lock_guard lock(mutex_);
        return action_;
    }
    void reset() {
        std::shared_ptr<std::function<void()>> action;
        std::lock_guard lock(mutex_);
        action.swap(action_);
    }

private:
    std::mutex mutex_;
    std::shared_ptr<std::function<void()>> action_;
};

class PeriodicTimer final : public DisposableBase {
public:
    PeriodicTimer(std::shared_ptr<TimerAction> action, std::shared_ptr<platform::Timer> timer)
        : action_(std::move(action)), timer_(std::move(timer)) {}

    void dispose() override {
        std::shared_ptr<platform::Timer> timer;
        std::shared_ptr<TimerAction> action;
        {
            std::lock_guard lock(mutex_);
            timer.swap(timer_);
            action.swap(action_);
        }
        if (timer) timer->invalidate();
        if (action) action->reset();
    }
    bool isDisposed() const override {
        std::lock_guard lock(mutex_);
        return !timer_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<TimerAction> action_;
    std::shared_ptr<platform::Timer> timer_;
};

}  // namespace

std::shared_ptr<MainScheduler> MainScheduler::instance() {
    // Never destroyed: work may be scheduled while the process exits.
    static auto* scheduler = new std::shared_ptr<MainScheduler>(std::make_shared<MainScheduler>());
    return *scheduler;
}

TimeInterval MainScheduler::now() const { return platform::Clock::monotonicSeconds(); }

std::shared_ptr<MainScheduler::Counter> MainScheduler::counterFor(
    const std::shared_ptr<platform::MainQueueBackend>& backend) {
    std::lock_guard lock(mutex_);
    std::erase_if(counters_, [](const BackendCounter& entry) { return entry.backend.expired(); });
    for (const auto& entry : counters_) {
        const bool same = !entry.backend.owner_before(backend) && !backend.owner_before(entry.backend);
        if (same) return entry.counter;
    }
    counters_.push_back({backend, std::make_shared<Counter>()});
    return counters_.back().counter;
}

Disposable MainScheduler::schedule(std::function<void()> action) {
    auto backend = platform::MainQueue::backend();
    auto counter = counterFor(backend);
    long previous = counter->enqueued.fetch_add(1);
    if (previous == 0 && backend->isMainThread()) {
        struct Leave {
            Counter& counter;
            ~Leave() { counter.enqueued.fetch_sub(1); }
        } leave{*counter};
        action();
        return Disposable();
    }
    auto item = std::make_shared<detail::ScheduledAction>(std::move(action));
    backend->post([item, counter] {
        item->run();
        counter->enqueued.fetch_sub(1);
    });
    return Disposable(item);
}

Disposable MainScheduler::scheduleAfter(TimeInterval dueTime, std::function<void()> action) {
    auto item = std::make_shared<detail::ScheduledAction>(std::move(action));
    platform::MainQueue::asyncAfter(dueTime, [item] { item->run(); });
    return Disposable(item);
}

Disposable MainScheduler::schedulePeriodic(TimeInterval period, std::function<void()> action) {
    auto shared = std::make_shared<TimerAction>(std::move(action));
    auto timer = platform::MainQueue::scheduledTimer(period, true, [shared](platform::Timer&) {
        if (auto action = shared->get()) (*action)();
    });
    return Disposable(std::make_shared<PeriodicTimer>(shared, std::move(timer)));
}

}  // namespace rx
