#pragma once

#include <concepts>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "rx/Disposable.h"
#include "rx/Event.h"
#include "rx/Observer.h"
#include "rx/Scheduler.h"
#include "rx/Unit.h"
#include "rx/detail/Source.h"

namespace rx {

template <class T>
class Observable;

namespace detail {

template <class T, class F>
using MapResult = std::decay_t<std::invoke_result_t<F&, const T&>>;

template <class T, class F>
class LambdaSource final : public Source<T> {
public:
    explicit LambdaSource(F subscribe) : subscribe_(std::move(subscribe)) {}
    Disposable subscribe(const Observer<T>& observer) override { return subscribe_(observer); }

private:
    F subscribe_;
};

// An observable whose subscription is `subscribe(observer) -> Disposable`.
template <class T, class F>
Observable<T> makeObservable(F subscribe) {
    return Observable<T>(std::make_shared<LambdaSource<T, F>>(std::move(subscribe)));
}

}  // namespace detail

// A sequence of elements of type T, ended by an error or a completion, or never ended. It is a
// copyable value: copies share the same recipe, and every subscription runs it anew (a subject's
// copies share the subject). Elements reach observers synchronously, in subscription order, on
// the thread that produces them unless an operator moves them (observeOn, delays).
//
// Handlers must not throw; errors travel as error events.
template <class T>
class Observable {
public:
    using Element = T;

    // A sequence that never emits.
    Observable() = default;
    explicit Observable(std::shared_ptr<detail::Source<T>> source) : source_(std::move(source)) {}

    // `subscribe(Observer<T>) -> Disposable` runs for every subscription; the Disposable it
    // returns is disposed when the subscription ends (by dispose, error or completion).
    template <class F>
    requires std::invocable<F&, Observer<T>>
    static Observable create(F subscribe);
    static Observable just(T element);
    static Observable empty();
    static Observable never() { return Observable(); }
    static Observable error(std::exception_ptr error);

    [[nodiscard]] Disposable subscribe(const Observer<T>& observer) const {
        return source_ ? source_->subscribe(observer) : Disposable();
    }
    // After dispose() no handler is called again; an error or the completion ends the
    // subscription and releases the handlers. `onDisposed` runs once when it ends either way.
    // An error without an error handler is printed.
    [[nodiscard]] Disposable subscribe(std::function<void(const T&)> onNext,
                                       std::function<void(std::exception_ptr)> onError = nullptr,
                                       std::function<void()> onCompleted = nullptr,
                                       std::function<void()> onDisposed = nullptr) const;

    Observable asObservable() const { return Observable(source_); }

    // Applies an operator written outside this class, so that such helpers chain like members:
    // `observable.pipe(f)` is `f(observable)`.
    template <class F>
    auto pipe(F&& apply) const {
        return std::forward<F>(apply)(asObservable());
    }

    template <class F>
    Observable<detail::MapResult<T, F>> map(F transform) const;
    template <class F>
    Observable filter(F predicate) const;
    // Drops elements equal (operator==) to the one before.
    Observable distinctUntilChanged() const requires std::equality_comparable<T>;
    // Drops elements for which `equal(previous, element)` is true.
    template <class F>
    Observable distinctUntilChanged(F equal) const;
    Observable skip(std::size_t count) const;
    template <class F>
    Observable doOnNext(F onNext) const;
    // Calls the given handlers (any may be null) before passing each event on.
    Observable doOn(std::function<void(const T&)> onNext,
                    std::function<void(std::exception_ptr)> onError = nullptr,
                    std::function<void()> onCompleted = nullptr) const;

    // Emits an element once `dueTime` has passed without another one after it; the completion
    // first emits the element still waiting.
    Observable debounce(TimeInterval dueTime, SchedulerPtr scheduler) const;
    // Emits the first element at once and then at most one per `dueTime`: with `latest` the last
    // element received during the interval is emitted when it ends; without, elements received
    // during the interval are dropped.
    Observable throttle(TimeInterval dueTime, bool latest, SchedulerPtr scheduler) const;
    // Shifts elements and the completion later by `dueTime`, keeping their order; an error
    // passes at once and drops the elements still waiting.
    Observable delay(TimeInterval dueTime, SchedulerPtr scheduler) const;
    // Delivers on `scheduler`, one event at a time and in order, even on a concurrent scheduler.
    Observable observeOn(SchedulerPtr scheduler) const;

protected:
    std::shared_ptr<detail::Source<T>> source_;
};

namespace detail {

// The end of a subscribe(onNext, ...) chain.
template <class T>
class SubscribeSink final : public ObserverBase<T>, public DisposableBase {
public:
    SubscribeSink(std::function<void(const T&)> onNext, std::function<void(std::exception_ptr)> onError,
                  std::function<void()> onCompleted, Disposable onDisposed)
        : onNext_(std::move(onNext)),
          onError_(std::move(onError)),
          onCompleted_(std::move(onCompleted)),
          onDisposed_(std::move(onDisposed)) {}

    void setSubscription(const CompositeDisposable& subscription) {
        subscription_ = subscription.asDisposable();
    }

    void onNext(const T& element) override {
        if (stopped_.load(std::memory_order_acquire)) return;
        if (onNext_) onNext_(element);
    }
    void onError(std::exception_ptr error) override {
        if (stopped_.exchange(true)) return;
        if (onError_)
            onError_(error);
        else
            reportUnhandled(error);
        finish();
    }
    void onCompleted() override {
        if (stopped_.exchange(true)) return;
        if (onCompleted_) onCompleted_();
        finish();
    }

    void dispose() override { stopped_.store(true); }
    bool isDisposed() const override { return stopped_.load(); }

private:
    static void reportUnhandled(const std::exception_ptr& error);

    void finish() {
        // Ends the whole chain, so the handlers are released even if the caller keeps the handle.
        subscription_.dispose();
        onDisposed_.dispose();
    }

    std::function<void(const T&)> onNext_;
    std::function<void(std::exception_ptr)> onError_;
    std::function<void()> onCompleted_;
    Disposable onDisposed_;
    WeakDisposable subscription_;
    std::atomic<bool> stopped_{false};
};

void printUnhandledError(const std::exception_ptr& error);

template <class T>
void SubscribeSink<T>::reportUnhandled(const std::exception_ptr& error) {
    printUnhandledError(error);
}

// Forwards what an Observable::create function emits until the subscription ends. The function
// may keep its Observer; once the subscription ends, the Observer leads nowhere.
template <class T>
class CreateSink final : public ObserverBase<T>, public DisposableBase {
public:
    explicit CreateSink(const Observer<T>& downstream) : downstream_(downstream.base()) {}

    void setResource(Disposable resource) {
        {
            std::lock_guard lock(mutex_);
            if (!done_) {
                resource_ = std::move(resource);
                return;
            }
        }
        resource.dispose();
    }

    void onNext(const T& element) override {
        if (auto downstream = current()) downstream->onNext(element);
    }
    void onError(std::exception_ptr error) override {
        if (auto downstream = take()) {
            downstream->onError(error);
            dispose();
        }
    }
    void onCompleted() override {
        if (auto downstream = take()) {
            downstream->onCompleted();
            dispose();
        }
    }

    void dispose() override {
        Disposable resource;
        std::shared_ptr<ObserverBase<T>> downstream;
        {
            std::lock_guard lock(mutex_);
            done_ = true;
            downstream.swap(downstream_);
            std::swap(resource, resource_);
        }
        resource.dispose();
    }
    bool isDisposed() const override {
        std::lock_guard lock(mutex_);
        return done_;
    }

private:
    std::shared_ptr<ObserverBase<T>> current() {
        std::lock_guard lock(mutex_);
        return downstream_;
    }
    std::shared_ptr<ObserverBase<T>> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(downstream_, nullptr);
    }

    mutable std::mutex mutex_;
    std::shared_ptr<ObserverBase<T>> downstream_;
    Disposable resource_;
    bool done_ = false;
};

}  // namespace detail

template <class T>
template <class F>
requires std::invocable<F&, Observer<T>> Observable<T> Observable<T>::create(F subscribe) {
    return detail::makeObservable<T>(
        [subscribe = std::move(subscribe)](const Observer<T>& downstream) mutable {
            auto sink = std::make_shared<detail::CreateSink<T>>(downstream);
            sink->setResource(subscribe(Observer<T>(sink)));
            return Disposable(sink);
        });
}

template <class T>
Observable<T> Observable<T>::just(T element) {
    return create([element = std::move(element)](const Observer<T>& observer) {
        observer.onNext(element);
        observer.onCompleted();
        return Disposable();
    });
}

template <class T>
Observable<T> Observable<T>::empty() {
    return create([](const Observer<T>& observer) {
        observer.onCompleted();
        return Disposable();
    });
}

template <class T>
Observable<T> Observable<T>::error(std::exception_ptr error) {
    return create([error = std::move(error)](const Observer<T>& observer) {
        observer.onError(error);
        return Disposable();
    });
}

template <class T>
Disposable Observable<T>::subscribe(std::function<void(const T&)> onNext,
                                    std::function<void(std::exception_ptr)> onError,
                                    std::function<void()> onCompleted,
                                    std::function<void()> onDisposed) const {
    CompositeDisposable subscription;
    Disposable disposedAction = onDisposed ? Disposable::create(std::move(onDisposed)) : Disposable();
    auto sink = std::make_shared<detail::SubscribeSink<T>>(std::move(onNext), std::move(onError),
                                                           std::move(onCompleted), disposedAction);
    sink->setSubscription(subscription);
    subscription.insert(Disposable(sink));
    subscription.insert(subscribe(Observer<T>(sink)));
    subscription.insert(disposedAction);
    return subscription;
}

namespace detail {

// Subscribes a sink that has work of its own (timers, queues); the result ends both.
template <class T, class Sink>
Disposable subscribeSink(const Observable<T>& source, const std::shared_ptr<Sink>& sink) {
    CompositeDisposable subscription;
    subscription.insert(Disposable(sink));
    subscription.insert(source.subscribe(Observer<T>(sink)));
    return subscription;
}

}  // namespace detail

template <class T>
Observable<T> just(T element) {
    return Observable<T>::just(std::move(element));
}

}  // namespace rx

#include "rx/operators/CombineLatest.h"
#include "rx/operators/Debounce.h"
#include "rx/operators/Delay.h"
#include "rx/operators/DistinctUntilChanged.h"
#include "rx/operators/Do.h"
#include "rx/operators/Filter.h"
#include "rx/operators/Interval.h"
#include "rx/operators/Map.h"
#include "rx/operators/Merge.h"
#include "rx/operators/ObserveOn.h"
#include "rx/operators/Skip.h"
#include "rx/operators/Throttle.h"
