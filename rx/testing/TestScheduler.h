#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <tuple>
#include <type_traits>
#include <vector>

#include "rx/Observable.h"

namespace rx::testing {

// An event and the virtual time it happened at.
template <class T>
struct Recorded {
    TimeInterval time;
    Event<T> event;

    friend bool operator==(const Recorded& a, const Recorded& b) {
        return a.time == b.time && a.event == b.event;
    }
    friend std::ostream& operator<<(std::ostream& out, const Recorded& recorded) {
        return out << recorded.event << " @" << recorded.time;
    }
};

template <class T>
Recorded<T> next(TimeInterval time, T element) {
    return {time, Event<T>::next(std::move(element))};
}
template <class T>
Recorded<T> completed(TimeInterval time) {
    return {time, Event<T>::completed()};
}
template <class T>
Recorded<T> error(TimeInterval time, std::exception_ptr error) {
    return {time, Event<T>::error(std::move(error))};
}

// When a test observable was subscribed, and when that subscription ended (infinity: never).
struct SubscriptionSpan {
    static constexpr TimeInterval never = std::numeric_limits<TimeInterval>::infinity();
    TimeInterval subscribed;
    TimeInterval unsubscribed = never;

    friend bool operator==(const SubscriptionSpan&, const SubscriptionSpan&) = default;
    friend std::ostream& operator<<(std::ostream& out, const SubscriptionSpan& span) {
        return out << "(" << span.subscribed << ", " << span.unsubscribed << ")";
    }
};

class TestScheduler;

// Records every event with the scheduler's time.
template <class T>
class TestableObserver final : public ObserverBase<T> {
public:
    explicit TestableObserver(const TestScheduler& scheduler) : scheduler_(scheduler) {}

    void onNext(const T& element) override;
    void onError(std::exception_ptr error) override;
    void onCompleted() override;

    const std::vector<Recorded<T>>& events() const { return events_; }

private:
    const TestScheduler& scheduler_;
    std::vector<Recorded<T>> events_;
};

// A sequence made of recorded events that also records its subscriptions. A hot one sends its
// events at their times to whoever is subscribed then; a cold one sends them to each subscriber
// at those times after it subscribed.
template <class T>
class TestableObservable : public Observable<T> {
public:
    class Core;
    explicit TestableObservable(std::shared_ptr<Core> core) : Observable<T>(core), core_(std::move(core)) {}
    std::vector<SubscriptionSpan> subscriptions() const;

private:
    std::shared_ptr<Core> core_;
};

// Virtual time for operator tests: work runs only within advanceTo, advanceBy and start, in
// order of due time and then of scheduling, with now() set to each block's due time.
class TestScheduler final : public Scheduler {
public:
    explicit TestScheduler(TimeInterval initialClock = 0) : clock_(initialClock) {}
    ~TestScheduler() override;

    TimeInterval now() const override;
    Disposable schedule(std::function<void()> action) override;
    Disposable scheduleAfter(TimeInterval dueTime, std::function<void()> action) override;
    Disposable scheduleAt(TimeInterval time, std::function<void()> action);

    void advanceTo(TimeInterval time);
    void advanceBy(TimeInterval interval) { advanceTo(now() + interval); }
    // Runs until nothing is left; the clock stays at the last block's time.
    void start();

    template <class T>
    std::shared_ptr<TestableObserver<T>> createObserver() {
        return std::make_shared<TestableObserver<T>>(*this);
    }

    template <class T>
    TestableObservable<T> createHotObservable(std::vector<Recorded<T>> events);
    template <class T>
    TestableObservable<T> createColdObservable(std::vector<Recorded<T>> events);

    // Creates the sequence at `created`, subscribes to it at `subscribed` (with a plain
    // subscribe, so an error or the completion ends the subscription), disposes at `disposed`,
    // and runs to the end.
    template <class F>
    auto start(TimeInterval created, TimeInterval subscribed, TimeInterval disposed, F create);
    // The usual times: 100, 200, 1000.
    template <class F>
    auto start(F create) {
        return start(100, 200, 1000, std::move(create));
    }

private:
    using Key = std::tuple<TimeInterval, std::uint64_t>;
    void runUntil(TimeInterval time);

    mutable std::mutex mutex_;
    TimeInterval clock_;
    std::uint64_t sequence_ = 0;
    std::map<Key, std::shared_ptr<detail::ScheduledAction>> queue_;
};

template <class T>
void TestableObserver<T>::onNext(const T& element) {
    events_.push_back(next(scheduler_.now(), element));
}
template <class T>
void TestableObserver<T>::onError(std::exception_ptr error) {
    events_.push_back(testing::error<T>(scheduler_.now(), std::move(error)));
}
template <class T>
void TestableObserver<T>::onCompleted() {
    events_.push_back(completed<T>(scheduler_.now()));
}

template <class T>
class TestableObservable<T>::Core final : public detail::Source<T>,
                                          public std::enable_shared_from_this<Core> {
public:
    Core(TestScheduler& scheduler, std::vector<Recorded<T>> events, bool hot)
        : scheduler_(scheduler), events_(std::move(events)), hot_(hot) {}

    void scheduleHotEvents() {
        for (const auto& recorded : events_) {
            scheduler_.scheduleAt(recorded.time, [weak = this->weak_from_this(), event = recorded.event] {
                if (auto core = weak.lock()) core->sendToAll(event);
            });
        }
    }

    Disposable subscribe(const Observer<T>& observer) override {
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = spans_.size();
            spans_.push_back({scheduler_.now()});
            if (hot_) observers_.emplace(index, observer);
        }
        CompositeDisposable subscription;
        if (!hot_) {
            for (const auto& recorded : events_) {
                subscription.insert(scheduler_.scheduleAfter(
                    recorded.time, [observer, event = recorded.event] { send(observer, event); }));
            }
        }
        subscription.insert(Disposable::create([weak = this->weak_from_this(), index] {
            if (auto core = weak.lock()) core->unsubscribe(index);
        }));
        return subscription;
    }

    std::vector<SubscriptionSpan> spans() const {
        std::lock_guard lock(mutex_);
        return spans_;
    }

private:
    static void send(const Observer<T>& observer, const Event<T>& event) {
        switch (event.kind()) {
            case Event<T>::Kind::next:
                return observer.onNext(event.element());
            case Event<T>::Kind::error:
                return observer.onError(event.errorValue());
            case Event<T>::Kind::completed:
                return observer.onCompleted();
        }
    }

    void sendToAll(const Event<T>& event) {
        std::vector<Observer<T>> observers;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [index, observer] : observers_) observers.push_back(observer);
        }
        for (const auto& observer : observers) send(observer, event);
    }

    void unsubscribe(std::size_t index) {
        std::lock_guard lock(mutex_);
        spans_[index].unsubscribed = scheduler_.now();
        observers_.erase(index);
    }

    TestScheduler& scheduler_;
    const std::vector<Recorded<T>> events_;
    const bool hot_;
    mutable std::mutex mutex_;
    std::vector<SubscriptionSpan> spans_;
    std::map<std::size_t, Observer<T>> observers_;
};

template <class T>
std::vector<SubscriptionSpan> TestableObservable<T>::subscriptions() const {
    return core_->spans();
}

template <class T>
TestableObservable<T> TestScheduler::createHotObservable(std::vector<Recorded<T>> events) {
    auto core = std::make_shared<typename TestableObservable<T>::Core>(*this, std::move(events), true);
    core->scheduleHotEvents();
    return TestableObservable<T>(core);
}

template <class T>
TestableObservable<T> TestScheduler::createColdObservable(std::vector<Recorded<T>> events) {
    return TestableObservable<T>(
        std::make_shared<typename TestableObservable<T>::Core>(*this, std::move(events), false));
}

template <class F>
auto TestScheduler::start(TimeInterval created, TimeInterval subscribed, TimeInterval disposed, F create) {
    using Sequence = std::decay_t<std::invoke_result_t<F&>>;
    using T = typename Sequence::Element;
    auto observer = createObserver<T>();
    auto source = std::make_shared<std::optional<Observable<T>>>();
    auto subscription = std::make_shared<Disposable>();
    scheduleAt(created, [source, &create] { *source = Observable<T>(create()); });
    scheduleAt(subscribed, [source, subscription, observer] {
        *subscription =
            (*source)->subscribe([observer](const T& element) { observer->onNext(element); },
                                 [observer](std::exception_ptr error) { observer->onError(error); },
                                 [observer] { observer->onCompleted(); });
    });
    scheduleAt(disposed, [subscription] { subscription->dispose(); });
    start();
    return observer;
}

}  // namespace rx::testing
