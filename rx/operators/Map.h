#pragma once

#include "rx/Observable.h"

namespace rx {
namespace detail {

template <class T, class U, class F>
class MapSink final : public ObserverBase<T> {
public:
    MapSink(const Observer<U>& downstream, F transform)
        : downstream_(downstream), transform_(std::move(transform)) {}

    void onNext(const T& element) override { downstream_.onNext(transform_(element)); }
    void onError(std::exception_ptr error) override { downstream_.onError(std::move(error)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<U> downstream_;
    F transform_;
};

}  // namespace detail

template <class T>
template <class F>
Observable<detail::MapResult<T, F>> Observable<T>::map(F transform) const {
    using U = detail::MapResult<T, F>;
    static_assert(!std::is_void_v<U>, "map needs a function that returns a value (rx::Unit for none)");
    return detail::makeObservable<U>(
        [source = *this, transform = std::move(transform)](const Observer<U>& downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::MapSink<T, U, F>>(downstream, transform)));
        });
}

}  // namespace rx
