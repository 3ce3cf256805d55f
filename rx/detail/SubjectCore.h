#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include "rx/Disposable.h"
#include "rx/Observer.h"
#include "rx/detail/SnapshotList.h"
#include "rx/detail/Source.h"

namespace rx::detail {

// The shared state of subjects, relays and published values: observers in subscription order,
// delivered to from a snapshot, and the terminal event once there is one.
//
// The lock is recursive because an observer may subscribe, dispose or read the value while it is
// being told the current value on subscription, which happens under the lock (so that a value
// sent from another thread at the same time cannot overtake it).
template <class T>
class SubjectCore : public Source<T>, public std::enable_shared_from_this<SubjectCore<T>> {
public:
    class Subscription final : public DisposableBase {
    public:
        Subscription(Observer<T> observer, std::weak_ptr<SubjectCore> core)
            : observer(std::move(observer)), core_(std::move(core)) {}

        void dispose() override {
            if (disposed_.exchange(true)) return;
            if (auto core = core_.lock()) core->remove(this);
        }
        bool isDisposed() const override { return disposed_.load(); }
        bool isActive() const { return !disposed_.load(std::memory_order_acquire); }

        const Observer<T> observer;

    private:
        std::atomic<bool> disposed_{false};
        std::weak_ptr<SubjectCore> core_;
    };

    using Reader = typename SnapshotList<Subscription>::Reader;

    bool isStopped() const { return stopped_.load(std::memory_order_acquire); }

    bool hasObservers() const {
        std::lock_guard lock(mutex_);
        return !observers_.current().empty();
    }

    // A subscriber added during delivery is not in the snapshot being delivered to; one removed
    // during delivery is skipped.
    static void deliverNext(const Reader& reader, const T& element) {
        for (const auto& subscription : reader.items())
            if (subscription->isActive()) subscription->observer.onNext(element);
    }

    void deliverNextToAll(const T& element) {
        if (isStopped()) return;
        deliverNext(observers_.read(), element);
    }

    // An error when `error` is set, the completion otherwise.
    void terminate(std::exception_ptr error) {
        std::optional<Reader> reader;
        {
            std::lock_guard lock(mutex_);
            if (stopped_.load()) return;
            error_ = error;
            stopped_.store(true, std::memory_order_release);
            reader.emplace(observers_.read());
            observers_.replace({});
        }
        for (const auto& subscription : reader->items()) {
            if (!subscription->isActive()) continue;
            if (error)
                subscription->observer.onError(error);
            else
                subscription->observer.onCompleted();
        }
    }

protected:
    // Adds the observer, or tells it the terminal event when there was one already (then the
    // result is empty). Called with the lock held.
    Disposable addLocked(const Observer<T>& observer, std::unique_lock<std::recursive_mutex>& lock) {
        if (stopped_.load()) {
            auto error = error_;
            lock.unlock();
            if (error)
                observer.onError(error);
            else
                observer.onCompleted();
            return Disposable();
        }
        auto subscription = std::make_shared<Subscription>(observer, this->weak_from_this());
        auto next = observers_.current();
        next.push_back(subscription);
        observers_.replace(std::move(next));
        return Disposable(subscription);
    }

    std::exception_ptr errorLocked() const { return error_; }

    mutable std::recursive_mutex mutex_;
    SnapshotList<Subscription> observers_;

private:
    void remove(const Subscription* subscription) {
        std::lock_guard lock(mutex_);
        const auto& items = observers_.current();
        auto found = std::find_if(items.begin(), items.end(),
                                  [&](const auto& item) { return item.get() == subscription; });
        if (found == items.end()) return;
        auto next = items;
        next.erase(next.begin() + (found - items.begin()));
        observers_.replace(std::move(next));
    }

    std::atomic<bool> stopped_{false};
    std::exception_ptr error_;
};

}  // namespace rx::detail
