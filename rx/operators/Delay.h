#pragma once

#include <deque>
#include <mutex>
#include <optional>

#include "rx/Observable.h"
#include "rx/detail/SinkBase.h"

namespace rx {
namespace detail {

// Keeps the delayed events in one queue drained by one scheduled block at a time, so they stay
// in order and never overlap, whatever the scheduler.
template <class T>
class DelaySink final : public ObserverBase<T>,
                        public SinkBase<std::mutex>,
                        public std::enable_shared_from_this<DelaySink<T>> {
public:
    DelaySink(const Observer<T>& downstream, TimeInterval dueTime, SchedulerPtr scheduler)
        : downstream_(downstream), dueTime_(dueTime), scheduler_(std::move(scheduler)) {}

    void onNext(const T& element) override { enqueue(element); }
    void onCompleted() override { enqueue(std::nullopt); }

    void onError(std::exception_ptr error) override {
        {
            std::lock_guard lock(mutex_);
            if (stopped_ || ended_) return;
            ended_ = true;
            queue_.clear();
            if (running_) {
                // The drain that is delivering now sends it next.
                error_ = std::move(error);
                return;
            }
            stop();
        }
        downstream_.onError(std::move(error));
    }

    // The dropped elements are destroyed outside the lock.
    void dispose() override {
        std::deque<Item> dropped;
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        stop();
    }

private:
    void release() override { timer_.dispose(); }

    struct Item {
        TimeInterval due;
        std::optional<T> element;  // none: the completion
    };

    void enqueue(std::optional<T> element) {
        {
            std::lock_guard lock(mutex_);
            if (stopped_ || ended_) return;
            if (!element) ended_ = true;
            queue_.push_back(Item{scheduler_->now() + dueTime_, std::move(element)});
            if (scheduled_) return;
            scheduled_ = true;
        }
        scheduleDrain(dueTime_);
    }

    void scheduleDrain(TimeInterval delay) {
        auto timer = scheduler_->scheduleAfter(delay, [self = this->shared_from_this()] { self->drain(); });
        std::lock_guard lock(mutex_);
        if (stopped_)
            timer.dispose();
        else
            timer_ = timer;
    }

    void drain() {
        while (true) {
            std::optional<Item> item;
            std::exception_ptr error;
            TimeInterval wait = 0;
            {
                std::lock_guard lock(mutex_);
                if (stopped_) return;
                running_ = false;
                if (error_) {
                    error = std::move(error_);
                    stopped_ = true;
                } else if (queue_.empty()) {
                    scheduled_ = false;
                    return;
                } else {
                    wait = queue_.front().due - scheduler_->now();
                    if (isDue(wait)) {
                        item = std::move(queue_.front());
                        queue_.pop_front();
                        running_ = true;
                    }
                }
            }
            if (error) return downstream_.onError(std::move(error));
            if (!item) return scheduleDrain(wait);
            if (!item->element) {
                {
                    std::lock_guard lock(mutex_);
                    stopped_ = true;
                }
                return downstream_.onCompleted();
            }
            downstream_.onNext(*item->element);
        }
    }

    Observer<T> downstream_;
    const TimeInterval dueTime_;
    const SchedulerPtr scheduler_;
    std::deque<Item> queue_;
    bool scheduled_ = false;  // a drain is pending or running
    bool running_ = false;    // a drain is delivering an element
    bool ended_ = false;      // the completion or an error has arrived
    std::exception_ptr error_;
    WeakDisposable timer_;
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::delay(TimeInterval dueTime, SchedulerPtr scheduler) const {
    return detail::makeObservable<T>([source = *this, dueTime, scheduler](const Observer<T>& downstream) {
        return detail::subscribeSink(source,
                                     std::make_shared<detail::DelaySink<T>>(downstream, dueTime, scheduler));
    });
}

}  // namespace rx
