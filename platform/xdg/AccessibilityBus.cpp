#include "platform/xdg/AccessibilityBus.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/xdg/SessionBus.h"

namespace platform::xdg {

struct AccessibilityBus::Answer {
    std::mutex mutex;
    std::condition_variable settled;
    bool answered = false;
    void set() {
        std::lock_guard lock(mutex);
        answered = true;
        settled.notify_all();
    }
};

AccessibilityBus::AccessibilityBus() {
    // The bridge is told where its bus is: nothing to look at.
    if (std::getenv("AT_SPI_BUS_ADDRESS")) return;
    bus_ = SessionBus::open();
    if (!bus_) return;
    answer_ = std::make_shared<Answer>();
    // A bus that is not there fails the bridge at once too: either answer will do.
    bus_->start([answer = answer_](SessionBus&) { answer->set(); },
                [answer = answer_](const std::string&) { answer->set(); });
}

AccessibilityBus::~AccessibilityBus() = default;

void AccessibilityBus::beforeFirstWidget() {
    if (!answer_) return;
    bool answered = false;
    {
        std::unique_lock lock(answer_->mutex);
        answered = answer_->settled.wait_for(lock, std::chrono::milliseconds(graceMs),
                                             [&] { return answer_->answered; });
    }
    // One that never answers would hold the bridge.
    if (!answered) {
        // An address no bus can have: the bridge finds it unreachable at once.
        setenv("AT_SPI_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
        std::fprintf(stderr,
                     "Velmora: the session bus does not answer: accessibility is off for this run.\n");
    }
    // Left to end on its own if it is still waiting.
    bus_.reset();
}

}  // namespace platform::xdg
