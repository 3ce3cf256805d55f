#include "platform/testing/TestDispatchQueues.h"

#include <cmath>

#include "platform/base/MainQueue.h"

namespace platform::testing {

void InlineDispatchQueue::async(std::function<void()> block) { block(); }

void InlineDispatchQueue::asyncAfter(TimeInterval seconds, std::function<void()> block) {
    if (!(seconds > 0)) return block();
    MainQueue::asyncAfter(seconds, std::move(block));
}

void ManualDispatchQueue::async(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(block));
}

void ManualDispatchQueue::asyncAfter(TimeInterval seconds, std::function<void()> block) {
    if (!(seconds > 0)) return async(std::move(block));
    std::weak_ptr<ManualDispatchQueue> weak = weak_from_this();
    MainQueue::asyncAfter(seconds, [weak, block = std::move(block)]() mutable {
        if (auto queue = weak.lock()) queue->async(std::move(block));
    });
}

std::size_t ManualDispatchQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

bool ManualDispatchQueue::runOne() {
    std::function<void()> block;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return false;
        block = std::move(pending_.front());
        pending_.pop_front();
    }
    block();
    return true;
}

std::size_t ManualDispatchQueue::runAll() {
    std::size_t count = 0;
    while (runOne()) ++count;
    return count;
}

ScopedDispatchFactory ScopedDispatchFactory::inlineQueues() {
    return ScopedDispatchFactory([](const std::string& label, QualityOfService, bool) {
        return std::make_shared<InlineDispatchQueue>(label);
    });
}

}  // namespace platform::testing
