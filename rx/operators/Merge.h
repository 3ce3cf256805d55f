#pragma once

#include <type_traits>
#include <vector>

#include "rx/Observable.h"
#include "rx/detail/SerialGate.h"

namespace rx {
namespace detail {

// Passes on every element of every source, one at a time; completes once all sources have
// completed; the first error ends everything.
template <class T>
class MergeSink final : public ObserverBase<T>, public GatedSink {
public:
    MergeSink(const Observer<T>& downstream, std::size_t sources)
        : downstream_(downstream), active_(sources) {}

    void setSubscription(const CompositeDisposable& subscription) {
        subscription_ = subscription.asDisposable();
    }

    void onNext(const T& element) override {
        gate_.run([&] {
            if (!stopped()) downstream_.onNext(element);
        });
    }
    void onError(std::exception_ptr error) override {
        const bool ended = gate_.run([&] {
            if (!stop()) return false;
            downstream_.onError(std::move(error));
            return true;
        });
        if (ended) subscription_.dispose();
    }
    void onCompleted() override {
        gate_.run([&] {
            // With no sources at all, the one call from merge() itself ends it.
            if (stopped() || (active_ > 0 && --active_ > 0)) return;
            if (stop()) downstream_.onCompleted();
        });
    }

private:
    Observer<T> downstream_;
    std::size_t active_;
    WeakDisposable subscription_;
};

}  // namespace detail

template <class T>
Observable<T> merge(std::vector<Observable<T>> sources) {
    return detail::makeObservable<T>([sources = std::move(sources)](const Observer<T>& downstream) {
        auto sink = std::make_shared<detail::MergeSink<T>>(downstream, sources.size());
        CompositeDisposable subscription;
        sink->setSubscription(subscription);
        subscription.insert(Disposable(sink));
        if (sources.empty()) sink->onCompleted();
        for (const auto& source : sources) subscription.insert(source.subscribe(Observer<T>(sink)));
        return Disposable(subscription);
    });
}

template <class T, class... Rest>
requires(std::is_convertible_v<const Rest&, Observable<T>>&&...)
    Observable<T> merge(const Observable<T>& first, const Rest&... rest) {
    return merge(std::vector<Observable<T>>{first, Observable<T>(rest)...});
}

}  // namespace rx
