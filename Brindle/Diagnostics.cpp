#include "Brindle/Diagnostics.h"

#include "platform/base/Clock.h"

namespace Brindle {

std::shared_ptr<MemoryAllocationTracker> MemoryAllocationTracker::shared() {
    static auto* instance =
        new std::shared_ptr<MemoryAllocationTracker>(std::make_shared<MemoryAllocationTracker>());
    return *instance;
}

void MemoryAllocationTracker::setExpectedCount(int count, const std::type_info& type) {
    expectedCount_[qualifiedTypeName(type)] = count;
}

std::optional<int> MemoryAllocationTracker::expectedCount(const std::type_info& type) const {
    auto found = expectedCount_.find(qualifiedTypeName(type));
    if (found == expectedCount_.end()) return std::nullopt;
    return found->second;
}

int MemoryAllocationTracker::liveCount(const std::type_info& type) {
    lock_.lock();
    int count = 0;
    if (auto found = trackedElements_.find(qualifiedTypeName(type)); found != trackedElements_.end()) {
        for (const auto& tracked : found->second)
            if (!tracked.anyObject.expired()) ++count;
    }
    lock_.unlock();
    return count;
}

FPSCounter::FPSCounter() : date(platform::Date::now()) {}

void FPSCounter::tick() {
    auto firstReading = platform::Clock::wallSeconds();
    auto windowStart = date.timeIntervalSince1970();
    auto secondReading = platform::Clock::wallSeconds();
    if (secondReading - windowStart > 1.0) {
        date = platform::Date::now();
        counter = 1.0;
        return;
    }
    fps = counter / (firstReading - windowStart);
    counter += 1.0;
}

std::shared_ptr<FeedbackManager> FeedbackManager::shared() {
    static auto* instance = new std::shared_ptr<FeedbackManager>(std::make_shared<FeedbackManager>());
    return *instance;
}

}  // namespace Brindle
