#include "Brindle/MainQueue.h"

#include <mutex>

#include "Brindle/FatalError.h"
#include "platform/base/MainQueue.h"

namespace Brindle {

void runOnMainQueue(std::function<void()> block) { platform::MainQueue::async(std::move(block)); }

void runOnMainThread(std::function<void()> block) {
    if (platform::MainQueue::isMainThread())
        block();
    else
        platform::MainQueue::async(std::move(block));
}

void runOnMainQueue(platform::TimeInterval seconds, std::function<void()> block) {
    platform::MainQueue::asyncAfter(seconds, std::move(block));
}

std::any scheduleTimer(platform::DispatchTime deadline, const std::any& previous,
                       std::function<void()> block) {
    if (auto timer = std::any_cast<std::shared_ptr<platform::Timer>>(&previous); timer && *timer)
        (*timer)->invalidate();
    if (deadline.isDistantFuture()) fatalError("scheduleTimer needs a finite deadline");
    auto seconds = deadline.uptimeSeconds() - platform::DispatchTime::now().uptimeSeconds();
    return platform::MainQueue::scheduledTimer(seconds, false,
                                               [block = std::move(block)](platform::Timer& timer) {
                                                   timer.invalidate();
                                                   block();
                                               });
}

std::optional<double> timeInterval(platform::DispatchTimeInterval interval) {
    using Unit = platform::DispatchTimeInterval::Unit;
    auto count = static_cast<double>(interval.count());
    switch (interval.unit()) {
        case Unit::seconds:
            return count;
        case Unit::milliseconds:
            return count * 0.001;
        case Unit::microseconds:
            return count * 0.000001;
        case Unit::nanoseconds:
            return count * 0.000000001;
        case Unit::never:
            return std::nullopt;
    }
    return std::nullopt;
}

namespace {
std::mutex& queueMutex() {
    static std::mutex mutex;
    return mutex;
}
std::shared_ptr<platform::DispatchQueue>& queueSlot() {
    static std::shared_ptr<platform::DispatchQueue> queue;
    return queue;
}
}  // namespace

std::shared_ptr<platform::DispatchQueue> globalUserInteractiveQueue() {
    std::lock_guard lock(queueMutex());
    auto& queue = queueSlot();
    if (!queue) queue = platform::DispatchQueue::global(platform::QualityOfService::userInteractive);
    return queue;
}

void setGlobalUserInteractiveQueue(std::shared_ptr<platform::DispatchQueue> queue) {
    std::lock_guard lock(queueMutex());
    queueSlot() = std::move(queue);
}

}  // namespace Brindle
