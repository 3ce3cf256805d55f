#include "rx/testing/TestScheduler.h"

#include <algorithm>

namespace rx::testing {

TestScheduler::~TestScheduler() {
    decltype(queue_) dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
    }
    for (auto& [key, item] : dropped) item->dispose();
}

TimeInterval TestScheduler::now() const {
    std::lock_guard lock(mutex_);
    return clock_;
}

Disposable TestScheduler::schedule(std::function<void()> action) {
    return scheduleAfter(0, std::move(action));
}

Disposable TestScheduler::scheduleAfter(TimeInterval dueTime, std::function<void()> action) {
    return scheduleAt(now() + (dueTime > 0 ? dueTime : 0), std::move(action));
}

Disposable TestScheduler::scheduleAt(TimeInterval time, std::function<void()> action) {
    auto item = std::make_shared<detail::ScheduledAction>(std::move(action));
    std::lock_guard lock(mutex_);
    queue_.emplace(Key{std::max(time, clock_), sequence_++}, item);
    return Disposable(item);
}

void TestScheduler::advanceTo(TimeInterval time) {
    runUntil(time);
    std::lock_guard lock(mutex_);
    if (clock_ < time) clock_ = time;
}

void TestScheduler::start() { runUntil(std::numeric_limits<TimeInterval>::infinity()); }

void TestScheduler::runUntil(TimeInterval time) {
    while (true) {
        std::shared_ptr<detail::ScheduledAction> item;
        {
            std::lock_guard lock(mutex_);
            auto first = queue_.begin();
            if (first == queue_.end() || std::get<0>(first->first) > time) break;
            clock_ = std::get<0>(first->first);
            item = std::move(first->second);
            queue_.erase(first);
        }
        item->run();
    }
}

}  // namespace rx::testing
