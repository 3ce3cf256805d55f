#include "rx/ConcurrentDispatchQueueScheduler.h"

#include <string>

#include "platform/base/Clock.h"

namespace rx {
namespace {

const char* label(platform::QualityOfService qos) {
    switch (qos) {
        case platform::QualityOfService::background:
            return "rx.queue.background";
        case platform::QualityOfService::utility:
            return "rx.queue.utility";
        case platform::QualityOfService::defaultQoS:
            return "rx.queue.default";
        case platform::QualityOfService::userInitiated:
            return "rx.queue.user-initiated";
        case platform::QualityOfService::userInteractive:
            return "rx.queue.user-interactive";
    }
    return "rx.queue.default";
}

}  // namespace

ConcurrentDispatchQueueScheduler::ConcurrentDispatchQueueScheduler(platform::QualityOfService qos)
    : queue_(platform::DispatchQueue::makeConcurrent(label(qos), qos)) {}

ConcurrentDispatchQueueScheduler::ConcurrentDispatchQueueScheduler(
    std::shared_ptr<platform::DispatchQueue> queue)
    : queue_(std::move(queue)) {}

TimeInterval ConcurrentDispatchQueueScheduler::now() const { return platform::Clock::monotonicSeconds(); }

Disposable ConcurrentDispatchQueueScheduler::schedule(std::function<void()> action) {
    auto item = std::make_shared<detail::ScheduledAction>(std::move(action));
    queue_->async([item] { item->run(); });
    return Disposable(item);
}

Disposable ConcurrentDispatchQueueScheduler::scheduleAfter(TimeInterval dueTime,
                                                           std::function<void()> action) {
    auto item = std::make_shared<detail::ScheduledAction>(std::move(action));
    queue_->asyncAfter(dueTime, [item] { item->run(); });
    return Disposable(item);
}

}  // namespace rx
