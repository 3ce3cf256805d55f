#include "platform/base/Clock.h"

#include <chrono>

#include "platform/base/SharedSlot.h"

namespace platform {
namespace {

class SystemClock final : public ClockSource {
public:
    double wallSeconds() const override {
        using namespace std::chrono;
        return duration<double>(system_clock::now().time_since_epoch()).count();
    }
    double monotonicSeconds() const override {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};

std::shared_ptr<ClockSource> systemClock() {
    static const auto clock = std::make_shared<SystemClock>();
    return clock;
}

SharedSlot<ClockSource>& currentSource() {
    static SharedSlot<ClockSource> source{systemClock()};
    return source;
}

}  // namespace

double Clock::wallSeconds() { return currentSource().load()->wallSeconds(); }

double Clock::monotonicSeconds() { return currentSource().load()->monotonicSeconds(); }

void Clock::setSource(std::shared_ptr<ClockSource> source) {
    currentSource().exchange(source ? std::move(source) : systemClock());
}

std::shared_ptr<ClockSource> Clock::source() { return currentSource().load(); }

}  // namespace platform
