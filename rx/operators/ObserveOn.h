#pragma once

#include <atomic>
#include <deque>
#include <mutex>

#include "rx/MainScheduler.h"
#include "rx/Observable.h"
#include "rx/detail/SinkBase.h"

namespace rx {
namespace detail {

// One queue per subscription, drained by one scheduled block at a time: events reach the
// observer one by one and in order even on a concurrent scheduler.
template <class T>
class ObserveOnSink final : public ObserverBase<T>,
                            public SinkBase<std::mutex>,
                            public std::enable_shared_from_this<ObserveOnSink<T>> {
public:
    ObserveOnSink(const Observer<T>& downstream, SchedulerPtr scheduler)
        : downstream_(downstream), scheduler_(std::move(scheduler)) {}

    void onNext(const T& element) override { enqueue(Event<T>::next(element)); }
    void onError(std::exception_ptr error) override { enqueue(Event<T>::error(std::move(error))); }
    void onCompleted() override { enqueue(Event<T>::completed()); }

    // The dropped events are destroyed outside the lock.
    void dispose() override {
        std::deque<Event<T>> dropped;
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        stop();
    }

private:
    void release() override { pending_.dispose(); }

    void enqueue(Event<T> event) {
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return;
            queue_.push_back(std::move(event));
            if (draining_) return;
            draining_ = true;
        }
        // Outside the lock: the scheduler may run the drain at once.
        auto pending = scheduler_->schedule([self = this->shared_from_this()] { self->drain(); });
        std::lock_guard lock(mutex_);
        if (stopped_)
            pending.dispose();
        else
            pending_ = pending;
    }

    void drain() {
        while (true) {
            std::optional<Event<T>> event;
            {
                std::lock_guard lock(mutex_);
                if (stopped_ || queue_.empty()) {
                    draining_ = false;
                    return;
                }
                event.emplace(std::move(queue_.front()));
                queue_.pop_front();
                if (event->isStopEvent()) stopped_ = true;
            }
            switch (event->kind()) {
                case Event<T>::Kind::next:
                    downstream_.onNext(event->element());
                    break;
                case Event<T>::Kind::error:
                    return downstream_.onError(event->errorValue());
                case Event<T>::Kind::completed:
                    return downstream_.onCompleted();
            }
        }
    }

    Observer<T> downstream_;
    const SchedulerPtr scheduler_;
    std::deque<Event<T>> queue_;
    bool draining_ = false;
    WeakDisposable pending_;
};

// On the main scheduler every event is scheduled by itself as it arrives: it runs at once when
// nothing of the scheduler's own is queued or running, and otherwise keeps its place among the
// main queue's work. The main queue runs one block at a time, so the order holds.
template <class T>
class ObserveOnMainSink final : public ObserverBase<T>,
                                public DisposableBase,
                                public std::enable_shared_from_this<ObserveOnMainSink<T>> {
public:
    ObserveOnMainSink(const Observer<T>& downstream, SchedulerPtr scheduler)
        : downstream_(downstream), scheduler_(std::move(scheduler)) {}

    void onNext(const T& element) override { schedule(Event<T>::next(element)); }
    void onError(std::exception_ptr error) override { schedule(Event<T>::error(std::move(error))); }
    void onCompleted() override { schedule(Event<T>::completed()); }

    // Blocks already queued find the sink disposed and do nothing.
    void dispose() override { disposed_.store(true); }
    bool isDisposed() const override { return disposed_.load(); }

private:
    void schedule(Event<T> event) {
        // Events arrive one at a time, so the check and the mark cannot interleave.
        if (disposed_.load() || ended_.load()) return;
        if (event.isStopEvent()) ended_.store(true);
        scheduler_->schedule(
            [self = this->shared_from_this(), event = std::move(event)] { self->deliver(event); });
    }

    void deliver(const Event<T>& event) {
        if (event.isStopEvent() ? disposed_.exchange(true) : disposed_.load()) return;
        switch (event.kind()) {
            case Event<T>::Kind::next:
                return downstream_.onNext(event.element());
            case Event<T>::Kind::error:
                return downstream_.onError(event.errorValue());
            case Event<T>::Kind::completed:
                return downstream_.onCompleted();
        }
    }

    Observer<T> downstream_;
    const SchedulerPtr scheduler_;
    std::atomic<bool> ended_{false};  // the error or the completion has been scheduled
    std::atomic<bool> disposed_{false};
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::observeOn(SchedulerPtr scheduler) const {
    return detail::makeObservable<T>([source = *this, scheduler](const Observer<T>& downstream) {
        if (std::dynamic_pointer_cast<MainScheduler>(scheduler))
            return detail::subscribeSink(
                source, std::make_shared<detail::ObserveOnMainSink<T>>(downstream, scheduler));
        return detail::subscribeSink(source,
                                     std::make_shared<detail::ObserveOnSink<T>>(downstream, scheduler));
    });
}

}  // namespace rx
