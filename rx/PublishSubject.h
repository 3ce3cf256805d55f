#pragma once

#include <memory>
#include <stdexcept>

#include "rx/Observable.h"
#include "rx/detail/SubjectCore.h"

namespace rx {

namespace detail {

template <class T>
class PublishCore final : public SubjectCore<T> {
public:
    Disposable subscribe(const Observer<T>& observer) override {
        std::unique_lock lock(this->mutex_);
        return this->addLocked(observer, lock);
    }
};

inline std::exception_ptr orUnknownError(std::exception_ptr error) {
    return error ? error : std::make_exception_ptr(std::runtime_error("unknown error"));
}

}  // namespace detail

// Passes every element to the observers subscribed at the time. Copies share the subject. After
// an error or the completion it ignores further events and tells late subscribers only that.
// Events may be sent from any thread, but not from two at once.
template <class T>
class PublishSubject : public Observable<T> {
public:
    PublishSubject() : Observable<T>(std::make_shared<detail::PublishCore<T>>()) {}

    void onNext(const T& element) const { core().deliverNextToAll(element); }
    void onNext() const requires std::same_as<T, Unit> { onNext(Unit{}); }
    void onError(std::exception_ptr error) const {
        core().terminate(detail::orUnknownError(std::move(error)));
    }
    void onCompleted() const { core().terminate(nullptr); }

    bool hasObservers() const { return core().hasObservers(); }

private:
    detail::PublishCore<T>& core() const { return static_cast<detail::PublishCore<T>&>(*this->source_); }
};

}  // namespace rx
