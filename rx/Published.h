#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "rx/Observable.h"
#include "rx/detail/SubjectCore.h"

namespace rx {

namespace detail {

template <class T>
class PublishedCore final : public SubjectCore<T> {
public:
    explicit PublishedCore(T value) : value_(std::move(value)) {}

    Disposable subscribe(const Observer<T>& observer) override {
        std::unique_lock lock(this->mutex_);
        auto subscription = this->addLocked(observer, lock);
        // One added while a new value is being announced starts from that value, or it would
        // never hear of it.
        T current = incoming_ ? *incoming_ : value_;
        observer.onNext(current);
        return subscription;
    }

    // Under the lock, so that a subscriber from another thread cannot miss the value.
    void set(T value) {
        auto self = this->shared_from_this();  // an observer may drop the last reference
        std::lock_guard lock(this->mutex_);
        const T* outer = std::exchange(incoming_, &value);
        SubjectCore<T>::deliverNext(this->observers_.read(), value);
        incoming_ = outer;
        value_ = std::move(value);
    }

    T value() const {
        std::lock_guard lock(this->mutex_);
        return value_;
    }

private:
    T value_;
    const T* incoming_ = nullptr;
};

}  // namespace detail

// A value that views observe. Observers are told a new value before it is stored: during the
// notification value() still returns the old one, so an observer uses the value it is given (or
// reads value() later). New observers are told the current value at once. Safe from any thread;
// notifications run on the thread that sets the value.
template <class T>
class Published {
public:
    Published() requires std::default_initializable<T> : Published(T{}) {}
    explicit Published(T value) : core_(std::make_shared<detail::PublishedCore<T>>(std::move(value))) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    T value() const { return core_->value(); }
    void set(T value) const { core_->set(std::move(value)); }

    [[nodiscard]] Disposable observe(std::function<void(const T&)> onChange) const {
        return asObservable().subscribe(std::move(onChange));
    }
    Observable<T> asObservable() const { return Observable<T>(core_); }

private:
    std::shared_ptr<detail::PublishedCore<T>> core_;
};

}  // namespace rx
