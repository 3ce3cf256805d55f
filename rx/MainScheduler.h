#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/MainQueue.h"
#include "rx/Scheduler.h"

namespace rx {

// Work on the main queue. `schedule` runs the action at once when called on the main thread while
// none of its own work is queued, and queues it otherwise (so work never overtakes work queued
// before it, and work scheduled from within its own work waits its turn). Delays and periodic
// work are always asynchronous; a period of 0 runs once per turn of the main loop.
class MainScheduler final : public Scheduler {
public:
    static std::shared_ptr<MainScheduler> instance();

    TimeInterval now() const override;
    Disposable schedule(std::function<void()> action) override;
    Disposable scheduleAfter(TimeInterval dueTime, std::function<void()> action) override;
    Disposable schedulePeriodic(TimeInterval period, std::function<void()> action) override;

    MainScheduler() = default;

private:
    struct Counter {
        std::atomic<long> enqueued{0};
    };
    // The count belongs to one main-queue backend: work left queued on a loop that was replaced
    // (a test's own loop) must not stop the new loop from running work at once, and keeps its
    // place once its own loop is back.
    std::shared_ptr<Counter> counterFor(const std::shared_ptr<platform::MainQueueBackend>& backend);

    struct BackendCounter {
        std::weak_ptr<platform::MainQueueBackend> backend;
        std::shared_ptr<Counter> counter;
    };

    std::mutex mutex_;
    std::vector<BackendCounter> counters_;
};

}  // namespace rx
