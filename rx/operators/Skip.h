#pragma once

#include <cstddef>

#include "rx/Observable.h"

namespace rx {
namespace detail {

template <class T>
class SkipSink final : public ObserverBase<T> {
public:
    SkipSink(const Observer<T>& downstream, std::size_t count) : downstream_(downstream), remaining_(count) {}

    void onNext(const T& element) override {
        if (remaining_ > 0) {
            --remaining_;
            return;
        }
        downstream_.onNext(element);
    }
    void onError(std::exception_ptr error) override { downstream_.onError(std::move(error)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<T> downstream_;
    std::size_t remaining_;
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::skip(std::size_t count) const {
    return detail::makeObservable<T>([source = *this, count](const Observer<T>& downstream) {
        return source.subscribe(Observer<T>(std::make_shared<detail::SkipSink<T>>(downstream, count)));
    });
}

}  // namespace rx
