#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "Brindle/FatalError.h"
#include "Brindle/Object.h"
#include "platform/base/Animation.h"
#include "platform/base/DispatchQueue.h"
#include "rx/Rx.h"

// The shapes in which the program subscribes: small compositions of rx operators.
namespace Brindle {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

// Elements that may be absent: an optional.
template <class T>
concept OptionalType = IsOptional<T>::value;

template <class T>
rx::Observable<rx::Unit> mapToVoid(const rx::Observable<T>& source) {
    return source.map([](const T&) { return rx::Unit{}; });
}

template <class T>
rx::Observable<T> observeOnMain(const rx::Observable<T>& source) {
    return source.observeOn(rx::MainScheduler::instance());
}

// Every call makes its own background scheduler.
template <class T>
rx::Observable<T> observeOnBackground(const rx::Observable<T>& source, platform::QualityOfService qos) {
    return source.observeOn(std::make_shared<rx::ConcurrentDispatchQueueScheduler>(qos));
}

// Delivers every element again on a later turn of the main queue, in order.
template <class T>
rx::Observable<T> delayToNextMainTick(const rx::Observable<T>& source) {
    return source.delay(0.000000001, rx::MainScheduler::instance());
}

template <class T>
rx::Observable<T> debounceOnMain(const rx::Observable<T>& source, platform::TimeInterval dueTime) {
    return source.debounce(dueTime, rx::MainScheduler::instance());
}

template <class T>
rx::Observable<std::optional<T>> mapToOptional(const rx::Observable<T>& source) {
    return source.map([](const T& element) { return std::optional<T>(element); });
}

// The first element of a burst at once, the latest at most once per interval while it lasts, and
// the last one again once the source has been quiet for the interval: so the last element of a
// burst usually arrives twice.
template <class T>
rx::Observable<T> throttleAndDebounce(const rx::Observable<T>& source, platform::TimeInterval interval,
                                      const rx::SchedulerPtr& scheduler) {
    return rx::merge(source.throttle(interval, true, scheduler), source.debounce(interval, scheduler));
}

template <OptionalType T>
rx::Observable<typename T::value_type> filterNil(const rx::Observable<T>& source) {
    return source.filter([](const T& element) { return element.has_value(); }).map([](const T& element) {
        return *element;
    });
}

// Every element must be present: an absent one is a programming error.
template <OptionalType T>
rx::Observable<typename T::value_type> unwrap(const rx::Observable<T>& source) {
    return source.map([](const T& element) {
        if (!element) fatalError("unwrap() met an absent element");
        return *element;
    });
}

// Subscribes with an element handler only; with `animated` each element is handled inside an
// animation transaction.
template <class T, class F>
[[nodiscard]] rx::Disposable subscribeNext(const rx::Observable<T>& source, bool animated, F onNext) {
    if (!animated)
        return source.subscribe([onNext = std::move(onNext)](const T& element) { onNext(element); });
    return source.subscribe([onNext = std::move(onNext)](const T& element) {
        platform::withAnimation([&] { onNext(element); });
    });
}

// A new background scheduler on every read.
struct BackgroundScheduler {
    static rx::SchedulerPtr scheduler() {
        return std::make_shared<rx::ConcurrentDispatchQueueScheduler>(platform::QualityOfService::background);
    }
};

template <class T>
class BehaviorRelaySequence : public Object {
public:
    explicit BehaviorRelaySequence(std::vector<T> values = {}) : relay(std::move(values)) {}
    const rx::BehaviorRelay<std::vector<T>> relay;
};

}  // namespace Brindle
