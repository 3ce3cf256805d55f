#pragma once

#include "rx/Observable.h"

namespace rx {
namespace detail {

template <class T, class F>
class FilterSink final : public ObserverBase<T> {
public:
    FilterSink(const Observer<T>& downstream, F predicate)
        : downstream_(downstream), predicate_(std::move(predicate)) {}

    void onNext(const T& element) override {
        if (predicate_(element)) downstream_.onNext(element);
    }
    void onError(std::exception_ptr error) override { downstream_.onError(std::move(error)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<T> downstream_;
    F predicate_;
};

}  // namespace detail

template <class T>
template <class F>
Observable<T> Observable<T>::filter(F predicate) const {
    return detail::makeObservable<T>(
        [source = *this, predicate = std::move(predicate)](const Observer<T>& downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::FilterSink<T, F>>(downstream, predicate)));
        });
}

}  // namespace rx
