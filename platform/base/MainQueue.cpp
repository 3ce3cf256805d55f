#include "platform/base/MainQueue.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/base/SharedSlot.h"

namespace platform {

bool MainQueueBackend::postRepeating(TimeInterval, std::function<bool()>) { return false; }

namespace {

SharedSlot<MainQueueBackend>& installed() {
    static SharedSlot<MainQueueBackend> backend;
    return backend;
}

// Stands in while no loop is installed (before start-up, or after the loop has gone while
// another thread still posts): posts are dropped, and no thread is the main thread.
class ClosedQueue final : public MainQueueBackend {
public:
    void post(std::function<void()>) override {}
    void postAfter(TimeInterval, std::function<void()>) override {}
    void postNextTurn(std::function<void()>) override {}
    bool isMainThread() const override { return false; }
};

std::shared_ptr<MainQueueBackend> requireBackend() {
    static const auto closed = std::make_shared<ClosedQueue>();
    auto backend = installed().load();
    return backend ? backend : closed;
}

class MainTimer final : public Timer, public std::enable_shared_from_this<MainTimer> {
public:
    MainTimer(TimeInterval interval, bool repeats, std::function<void(Timer&)> block)
        : interval_(std::isfinite(interval) && interval > 0 ? interval : 0),
          repeats_(repeats),
          block_(std::make_shared<std::function<void(Timer&)>>(std::move(block))) {}

    // Releases the block at once, as the platform's timers release their target: a block that
    // holds the timer's owner would otherwise keep both alive.
    void invalidate() override {
        std::shared_ptr<std::function<void(Timer&)>> block;
        std::lock_guard lock(mutex_);
        valid_ = false;
        block.swap(block_);
    }
    bool isValid() const override { return valid_; }

    void arm() {
        // The loop owns an armed timer, as the platform's run loop retains scheduled timers:
        // it lives until it is invalidated or, when it does not repeat, until it has fired.
        auto fire = [timer = shared_from_this()] { timer->fire(); };
        auto backend = requireBackend();
        if (repeats_ && interval_ > 0 && !armed_) {
            armed_ = true;
            if (backend->postRepeating(interval_, [timer = shared_from_this()] { return timer->tick(); })) {
                persistent_ = true;
                return;
            }
        }
        if (repeats_ && interval_ == 0)
            backend->postNextTurn(std::move(fire));
        else
            backend->postAfter(interval_, std::move(fire));
    }

private:
    // A firing of the loop's own repeating timer; false once this timer is invalid.
    bool tick() {
        fire();
        return valid_;
    }

    void fire() {
        std::shared_ptr<std::function<void(Timer&)>> block;
        {
            std::lock_guard lock(mutex_);
            block = block_;
        }
        if (!block) return;
        if (!repeats_) invalidate();
        // Held here, so the block may invalidate its own timer while it runs.
        (*block)(*this);
        if (repeats_ && valid_ && !persistent_) arm();
    }

    const TimeInterval interval_;
    const bool repeats_;
    std::mutex mutex_;
    std::shared_ptr<std::function<void(Timer&)>> block_;
    std::atomic<bool> valid_{true};
    // Main thread only.
    bool armed_ = false;
    bool persistent_ = false;
};

}  // namespace

void MainQueue::async(std::function<void()> block) { requireBackend()->post(std::move(block)); }

void MainQueue::asyncAfter(TimeInterval seconds, std::function<void()> block) {
    auto backend = requireBackend();
    if (std::isnan(seconds) || seconds < 0)
        backend->postNextTurn(std::move(block));
    else if (std::isinf(seconds))
        return;  // never due
    else
        backend->postAfter(seconds, std::move(block));
}

bool MainQueue::isMainThread() { return requireBackend()->isMainThread(); }

std::shared_ptr<Timer> MainQueue::scheduledTimer(TimeInterval interval, bool repeats,
                                                 std::function<void(Timer&)> block) {
    auto timer = std::make_shared<MainTimer>(interval, repeats, std::move(block));
    if (isMainThread())
        timer->arm();
    else
        async([timer] { timer->arm(); });
    return timer;
}

std::shared_ptr<MainQueueBackend> MainQueue::setBackend(std::shared_ptr<MainQueueBackend> backend) {
    return installed().exchange(std::move(backend));
}

std::shared_ptr<MainQueueBackend> MainQueue::backend() { return requireBackend(); }

}  // namespace platform
