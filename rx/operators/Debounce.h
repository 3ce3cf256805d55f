#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "rx/Observable.h"
#include "rx/detail/SinkBase.h"

namespace rx {
namespace detail {

template <class T>
class DebounceSink final : public ObserverBase<T>,
                           public SinkBase<>,
                           public std::enable_shared_from_this<DebounceSink<T>> {
public:
    DebounceSink(const Observer<T>& downstream, TimeInterval dueTime, SchedulerPtr scheduler)
        : downstream_(downstream), dueTime_(dueTime), scheduler_(std::move(scheduler)) {}

    void onNext(const T& element) override {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        const auto id = ++id_;
        value_ = element;
        timer_.dispose();
        timer_ = scheduler_->scheduleAfter(dueTime_,
                                           [self = this->shared_from_this(), id] { self->propagate(id); });
    }

    void onError(std::exception_ptr error) override {
        std::lock_guard lock(mutex_);
        if (!stop()) return;
        downstream_.onError(std::move(error));
    }

    void onCompleted() override {
        std::lock_guard lock(mutex_);
        auto pending = std::move(value_);
        if (!stop()) return;
        if (pending) downstream_.onNext(*pending);
        downstream_.onCompleted();
    }

private:
    void propagate(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        if (stopped_ || id != id_ || !value_) return;
        auto element = std::move(*value_);
        value_.reset();
        downstream_.onNext(element);
    }

    void release() override {
        value_.reset();
        timer_.dispose();
    }

    Observer<T> downstream_;
    const TimeInterval dueTime_;
    const SchedulerPtr scheduler_;
    std::optional<T> value_;
    std::uint64_t id_ = 0;
    WeakDisposable timer_;
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::debounce(TimeInterval dueTime, SchedulerPtr scheduler) const {
    return detail::makeObservable<T>([source = *this, dueTime, scheduler](const Observer<T>& downstream) {
        return detail::subscribeSink(
            source, std::make_shared<detail::DebounceSink<T>>(downstream, dueTime, scheduler));
    });
}

}  // namespace rx
