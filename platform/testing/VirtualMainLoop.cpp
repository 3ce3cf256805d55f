#include "platform/testing/VirtualMainLoop.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

namespace platform::testing {

class VirtualMainLoop::Impl final : public MainQueueBackend,
                                    public ClockSource,
                                    public std::enable_shared_from_this<Impl> {
public:
    explicit Impl(double wallStart) : wallStart_(wallStart), mainThread_(std::this_thread::get_id()) {}

    void post(std::function<void()> block) override { enqueue(0, std::move(block), false); }
    void postAfter(TimeInterval delay, std::function<void()> block) override {
        enqueue(delay, std::move(block), false);
    }
    void postNextTurn(std::function<void()> block) override { enqueue(0, std::move(block), true); }
    bool isMainThread() const override { return std::this_thread::get_id() == mainThread_; }

    double wallSeconds() const override {
        std::lock_guard lock(mutex_);
        return wallStart_ + now_;
    }
    double monotonicSeconds() const override {
        std::lock_guard lock(mutex_);
        return 1000.0 + now_;
    }

    void runTurn(TimeInterval until) {
        std::uint64_t turn;
        {
            std::lock_guard lock(mutex_);
            turn = ++turn_;
        }
        while (auto block = takeNext(until, turn)) (*block)();
    }

    void advance(TimeInterval seconds) {
        TimeInterval target;
        {
            std::lock_guard lock(mutex_);
            target = now_ + (seconds > 0 ? seconds : 0);
        }
        runTurn(target);
        std::lock_guard lock(mutex_);
        if (now_ < target) now_ = target;
    }

    TimeInterval now() const {
        std::lock_guard lock(mutex_);
        return now_;
    }

    std::size_t pendingCount() const {
        std::lock_guard lock(mutex_);
        return pending_.size();
    }

private:
    // Key: due time, then order of posting.
    using Key = std::tuple<TimeInterval, std::uint64_t>;
    struct Entry {
        std::function<void()> block;
        std::uint64_t notBeforeTurn;
    };

    void enqueue(TimeInterval delay, std::function<void()> block, bool nextTurn) {
        std::lock_guard lock(mutex_);
        pending_.emplace(Key{now_ + delay, sequence_++}, Entry{std::move(block), nextTurn ? turn_ + 1 : 0});
    }

    std::optional<std::function<void()>> takeNext(TimeInterval until, std::uint64_t turn) {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            auto due = std::get<0>(it->first);
            if (due > until) break;
            if (it->second.notBeforeTurn > turn) continue;
            auto block = std::move(it->second.block);
            pending_.erase(it);
            if (due > now_) now_ = due;
            return block;
        }
        return std::nullopt;
    }

    mutable std::mutex mutex_;
    const double wallStart_;
    const std::thread::id mainThread_;
    TimeInterval now_ = 0;
    std::uint64_t sequence_ = 0;
    std::uint64_t turn_ = 0;
    std::map<Key, Entry> pending_;
};

VirtualMainLoop::VirtualMainLoop(double wallStart) : impl_(std::make_shared<Impl>(wallStart)) {
    previousBackend_ = MainQueue::setBackend(impl_);
    previousClock_ = Clock::source();
    Clock::setSource(impl_);
}

VirtualMainLoop::~VirtualMainLoop() {
    MainQueue::setBackend(previousBackend_);
    Clock::setSource(previousClock_);
}

void VirtualMainLoop::runUntilIdle() { impl_->runTurn(impl_->now()); }

void VirtualMainLoop::advance(TimeInterval seconds) { impl_->advance(seconds); }

TimeInterval VirtualMainLoop::elapsed() const { return impl_->now(); }

std::size_t VirtualMainLoop::pendingCount() const { return impl_->pendingCount(); }

}  // namespace platform::testing
