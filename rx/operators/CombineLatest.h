#pragma once

#include <array>
#include <memory>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "rx/Observable.h"
#include "rx/detail/SerialGate.h"

namespace rx {
namespace detail {

// Once every source has emitted, emits `combine(latest of each...)` whenever any source emits.
// Completes when all sources have completed, or when a source emits while every other one has
// completed without a value; the first error ends everything.
template <class R, class F, class... Ts>
class CombineLatestSink final : public GatedSink {
public:
    static constexpr std::size_t arity = sizeof...(Ts);

    CombineLatestSink(const Observer<R>& downstream, F combine)
        : downstream_(downstream), combine_(std::move(combine)) {}

    void setSubscription(const CompositeDisposable& subscription) {
        subscription_ = subscription.asDisposable();
    }

    template <std::size_t I>
    void next(const std::tuple_element_t<I, std::tuple<Ts...>>& element) {
        bool ended = false;
        gate_.run([&] {
            if (stopped()) return;
            auto& slot = std::get<I>(latest_);
            if (!slot) ++valueCount_;
            slot = element;
            if (valueCount_ == arity) {
                downstream_.onNext(
                    std::apply([this](const auto&... values) { return combine_(*values...); }, latest_));
                return;
            }
            for (std::size_t i = 0; i < arity; ++i)
                if (i != I && !done_[i]) return;
            if ((ended = stop())) downstream_.onCompleted();
        });
        if (ended) subscription_.dispose();
    }

    void error(std::exception_ptr error) {
        bool ended = false;
        gate_.run([&] {
            if ((ended = stop())) downstream_.onError(std::move(error));
        });
        if (ended) subscription_.dispose();
    }

    void completed(std::size_t index) {
        bool ended = false;
        gate_.run([&] {
            if (stopped() || done_[index]) return;
            done_[index] = true;
            if (++doneCount_ < arity) return;
            if ((ended = stop())) downstream_.onCompleted();
        });
        if (ended) subscription_.dispose();
    }

private:
    Observer<R> downstream_;
    F combine_;
    std::tuple<std::optional<Ts>...> latest_;
    std::array<bool, arity> done_{};
    std::size_t valueCount_ = 0;
    std::size_t doneCount_ = 0;
    WeakDisposable subscription_;
};

template <std::size_t I, class Sink, class T>
class CombineLatestObserver final : public ObserverBase<T> {
public:
    explicit CombineLatestObserver(std::shared_ptr<Sink> sink) : sink_(std::move(sink)) {}
    void onNext(const T& element) override { sink_->template next<I>(element); }
    void onError(std::exception_ptr error) override { sink_->error(std::move(error)); }
    void onCompleted() override { sink_->completed(I); }

private:
    std::shared_ptr<Sink> sink_;
};

template <class F, class... Ts, std::size_t... Is>
auto combineLatest(F combine, std::index_sequence<Is...>, const Observable<Ts>&... sources) {
    using R = std::decay_t<std::invoke_result_t<F&, const Ts&...>>;
    using Sink = CombineLatestSink<R, F, Ts...>;
    return makeObservable<R>([combine = std::move(combine), sources...](const Observer<R>& downstream) {
        auto sink = std::make_shared<Sink>(downstream, combine);
        CompositeDisposable subscription;
        sink->setSubscription(subscription);
        subscription.insert(Disposable(sink));
        (subscription.insert(
             sources.subscribe(Observer<Ts>(std::make_shared<CombineLatestObserver<Is, Sink, Ts>>(sink)))),
         ...);
        return Disposable(subscription);
    });
}

}  // namespace detail

template <class A, class B, class F>
auto combineLatest(const Observable<A>& a, const Observable<B>& b, F combine) {
    return detail::combineLatest(std::move(combine), std::index_sequence_for<A, B>{}, a, b);
}

template <class A, class B, class C, class F>
auto combineLatest(const Observable<A>& a, const Observable<B>& b, const Observable<C>& c, F combine) {
    return detail::combineLatest(std::move(combine), std::index_sequence_for<A, B, C>{}, a, b, c);
}

template <class A, class B, class C, class D, class F>
auto combineLatest(const Observable<A>& a, const Observable<B>& b, const Observable<C>& c,
                   const Observable<D>& d, F combine) {
    return detail::combineLatest(std::move(combine), std::index_sequence_for<A, B, C, D>{}, a, b, c, d);
}

}  // namespace rx
