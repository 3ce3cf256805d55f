#pragma once

#include <mutex>
#include <optional>

#include "rx/Observable.h"
#include "rx/detail/SinkBase.h"

namespace rx {
namespace detail {

template <class T>
class ThrottleSink final : public ObserverBase<T>,
                           public SinkBase<>,
                           public std::enable_shared_from_this<ThrottleSink<T>> {
public:
    ThrottleSink(const Observer<T>& downstream, TimeInterval dueTime, bool latest, SchedulerPtr scheduler)
        : downstream_(downstream), dueTime_(dueTime), latest_(latest), scheduler_(std::move(scheduler)) {}

    void onNext(const T& element) override {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        TimeInterval remaining = lastSentTime_ ? dueTime_ - (scheduler_->now() - *lastSentTime_) : 0;
        if (isDue(remaining)) {
            sendNow(element);
            return;
        }
        if (!latest_) return;
        const bool alreadyScheduled = unsent_.has_value();
        unsent_ = element;
        if (alreadyScheduled) return;
        // A timer of an interval that ended with an element sent at once may not have run yet; it
        // would send this one early.
        timer_.dispose();
        timer_ =
            scheduler_->scheduleAfter(remaining, [self = this->shared_from_this()] { self->propagate(); });
    }

    void onError(std::exception_ptr error) override {
        std::lock_guard lock(mutex_);
        if (!stop()) return;
        downstream_.onError(std::move(error));
    }

    // An element still waiting is sent when its interval ends, then the completion.
    void onCompleted() override {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        if (unsent_) {
            completed_ = true;
            return;
        }
        stop();
        downstream_.onCompleted();
    }

private:
    void sendNow(const T& element) {
        unsent_.reset();
        downstream_.onNext(element);
        // Measured after delivery, so slow handling gives the next element more room.
        lastSentTime_ = scheduler_->now();
    }

    void propagate() {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        if (unsent_) {
            auto element = std::move(*unsent_);
            sendNow(element);
        }
        if (completed_ && stop()) downstream_.onCompleted();
    }

    void release() override {
        unsent_.reset();
        timer_.dispose();
    }

    Observer<T> downstream_;
    const TimeInterval dueTime_;
    const bool latest_;
    const SchedulerPtr scheduler_;
    std::optional<T> unsent_;
    std::optional<TimeInterval> lastSentTime_;
    bool completed_ = false;
    WeakDisposable timer_;
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::throttle(TimeInterval dueTime, bool latest, SchedulerPtr scheduler) const {
    return detail::makeObservable<T>(
        [source = *this, dueTime, latest, scheduler](const Observer<T>& downstream) {
            return detail::subscribeSink(
                source, std::make_shared<detail::ThrottleSink<T>>(downstream, dueTime, latest, scheduler));
        });
}

}  // namespace rx
