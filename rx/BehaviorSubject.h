#pragma once

#include <memory>
#include <optional>

#include "rx/Observable.h"
#include "rx/PublishSubject.h"
#include "rx/detail/SubjectCore.h"

namespace rx {

namespace detail {

template <class T>
class BehaviorCore final : public SubjectCore<T> {
public:
    explicit BehaviorCore(T value) : value_(std::move(value)) {}

    // A new observer is told the current value before it can see a later one.
    Disposable subscribe(const Observer<T>& observer) override {
        std::unique_lock lock(this->mutex_);
        auto subscription = this->addLocked(observer, lock);
        if (lock.owns_lock()) {
            T current = value_;
            observer.onNext(current);
        }
        return subscription;
    }

    void next(const T& element) {
        std::optional<typename SubjectCore<T>::Reader> reader;
        {
            std::lock_guard lock(this->mutex_);
            if (this->isStopped()) return;
            value_ = element;
            reader.emplace(this->observers_.read());
        }
        SubjectCore<T>::deliverNext(*reader, element);
    }

    T value() const {
        std::lock_guard lock(this->mutex_);
        if (auto error = this->errorLocked()) std::rethrow_exception(error);
        return value_;
    }

private:
    T value_;
};

}  // namespace detail

// A subject that holds the latest element and tells it to every new subscriber first. Copies
// share the subject. Once completed or failed it keeps no replay: a late subscriber gets only
// the terminal event.
template <class T>
class BehaviorSubject : public Observable<T> {
public:
    explicit BehaviorSubject(T value)
        : Observable<T>(std::make_shared<detail::BehaviorCore<T>>(std::move(value))) {}

    void onNext(const T& element) const { core().next(element); }
    void onError(std::exception_ptr error) const {
        core().terminate(detail::orUnknownError(std::move(error)));
    }
    void onCompleted() const { core().terminate(nullptr); }

    // The latest element (also after the completion); throws the error of a failed subject.
    T value() const { return core().value(); }
    bool hasObservers() const { return core().hasObservers(); }

private:
    detail::BehaviorCore<T>& core() const { return static_cast<detail::BehaviorCore<T>&>(*this->source_); }
};

}  // namespace rx
