#pragma once

#include <exception>
#include <memory>

namespace rx {

// What a sequence delivers to. Events of one subscription arrive one at a time: never two at
// once, never after an error or the completion.
template <class T>
class ObserverBase {
public:
    virtual ~ObserverBase() = default;
    virtual void onNext(const T& element) = 0;
    virtual void onError(std::exception_ptr error) = 0;
    virtual void onCompleted() = 0;
};

// A copyable handle to an observer, as handed to Observable::create.
template <class T>
class Observer {
public:
    explicit Observer(std::shared_ptr<ObserverBase<T>> base) : base_(std::move(base)) {}

    void onNext(const T& element) const { base_->onNext(element); }
    void onError(std::exception_ptr error) const { base_->onError(std::move(error)); }
    void onCompleted() const { base_->onCompleted(); }

    const std::shared_ptr<ObserverBase<T>>& base() const { return base_; }

private:
    std::shared_ptr<ObserverBase<T>> base_;
};

}  // namespace rx
