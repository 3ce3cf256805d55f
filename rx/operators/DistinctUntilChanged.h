#pragma once

#include <optional>

#include "rx/Observable.h"

namespace rx {
namespace detail {

template <class T, class F>
class DistinctUntilChangedSink final : public ObserverBase<T> {
public:
    DistinctUntilChangedSink(const Observer<T>& downstream, F equal)
        : downstream_(downstream), equal_(std::move(equal)) {}

    void onNext(const T& element) override {
        if (last_ && equal_(*last_, element)) return;
        last_ = element;
        downstream_.onNext(element);
    }
    void onError(std::exception_ptr error) override { downstream_.onError(std::move(error)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<T> downstream_;
    F equal_;
    std::optional<T> last_;
};

struct EqualTo {
    template <class T>
    bool operator()(const T& a, const T& b) const {
        return a == b;
    }
};

}  // namespace detail

template <class T>
Observable<T> Observable<T>::distinctUntilChanged() const requires std::equality_comparable<T> {
    return distinctUntilChanged(detail::EqualTo{});
}

template <class T>
template <class F>
Observable<T> Observable<T>::distinctUntilChanged(F equal) const {
    return detail::makeObservable<T>(
        [source = *this, equal = std::move(equal)](const Observer<T>& downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::DistinctUntilChangedSink<T, F>>(downstream, equal)));
        });
}

}  // namespace rx
