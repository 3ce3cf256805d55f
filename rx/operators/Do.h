#pragma once

#include "rx/Observable.h"

namespace rx {
namespace detail {

template <class T, class F>
class DoOnNextSink final : public ObserverBase<T> {
public:
    DoOnNextSink(const Observer<T>& downstream, F onNext)
        : downstream_(downstream), onNext_(std::move(onNext)) {}

    void onNext(const T& element) override {
        onNext_(element);
        downstream_.onNext(element);
    }
    void onError(std::exception_ptr error) override { downstream_.onError(std::move(error)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<T> downstream_;
    F onNext_;
};

template <class T>
class DoSink final : public ObserverBase<T> {
public:
    DoSink(const Observer<T>& downstream, std::function<void(const T&)> onNext,
           std::function<void(std::exception_ptr)> onError, std::function<void()> onCompleted)
        : downstream_(downstream),
          onNext_(std::move(onNext)),
          onError_(std::move(onError)),
          onCompleted_(std::move(onCompleted)) {}

    void onNext(const T& element) override {
        if (onNext_) onNext_(element);
        downstream_.onNext(element);
    }
    void onError(std::exception_ptr error) override {
        if (onError_) onError_(error);
        downstream_.onError(std::move(error));
    }
    void onCompleted() override {
        if (onCompleted_) onCompleted_();
        downstream_.onCompleted();
    }

private:
    Observer<T> downstream_;
    std::function<void(const T&)> onNext_;
    std::function<void(std::exception_ptr)> onError_;
    std::function<void()> onCompleted_;
};

}  // namespace detail

template <class T>
template <class F>
Observable<T> Observable<T>::doOnNext(F onNext) const {
    return detail::makeObservable<T>(
        [source = *this, onNext = std::move(onNext)](const Observer<T>& downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::DoOnNextSink<T, F>>(downstream, onNext)));
        });
}

template <class T>
Observable<T> Observable<T>::doOn(std::function<void(const T&)> onNext,
                                  std::function<void(std::exception_ptr)> onError,
                                  std::function<void()> onCompleted) const {
    return detail::makeObservable<T>([source = *this, onNext = std::move(onNext),
                                      onError = std::move(onError),
                                      onCompleted = std::move(onCompleted)](const Observer<T>& downstream) {
        return source.subscribe(
            Observer<T>(std::make_shared<detail::DoSink<T>>(downstream, onNext, onError, onCompleted)));
    });
}

}  // namespace rx
