#pragma once

#include <memory>

#include "platform/base/DispatchQueue.h"
#include "rx/Scheduler.h"

namespace rx {

// Work on a concurrent dispatch queue: actions may run in parallel on different threads.
// Operators that need order (observeOn) keep it themselves.
class ConcurrentDispatchQueueScheduler final : public Scheduler {
public:
    // A new concurrent queue of that quality of service.
    explicit ConcurrentDispatchQueueScheduler(platform::QualityOfService qos);
    explicit ConcurrentDispatchQueueScheduler(std::shared_ptr<platform::DispatchQueue> queue);

    TimeInterval now() const override;
    Disposable schedule(std::function<void()> action) override;
    Disposable scheduleAfter(TimeInterval dueTime, std::function<void()> action) override;

    const std::shared_ptr<platform::DispatchQueue>& queue() const { return queue_; }

private:
    std::shared_ptr<platform::DispatchQueue> queue_;
};

}  // namespace rx
