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

// The observer of source I, a base of the sink itself: an element reaches the sink without
// another pointer to follow, and the subscription to the source shares the sink's lifetime.
template <std::size_t I, class T, class Sink>
class CombineLatestInput : public ObserverBase<T> {
public:
    void onNext(const T& element) final { sink().template next<I>(element); }
    void onError(std::exception_ptr error) final { sink().error(std::move(error)); }
    void onCompleted() final { sink().completed(I); }

private:
    Sink& sink() { return static_cast<Sink&>(*this); }
};

template <class R, class F, class Indices, class... Ts>
class CombineLatestSink;

// Once every source has emitted, emits `combine(latest of each...)` whenever any source emits.
// Completes when all sources have completed, or when a source emits while every other one has
// completed without a value; the first error ends everything.
template <class R, class F, std::size_t... Is, class... Ts>
class CombineLatestSink<R, F, std::index_sequence<Is...>, Ts...> final
    : public GatedSink,
      public CombineLatestInput<Is, Ts, CombineLatestSink<R, F, std::index_sequence<Is...>, Ts...>>... {
public:
    static constexpr std::size_t arity = sizeof...(Ts);
    template <std::size_t I>
    using Element = std::tuple_element_t<I, std::tuple<Ts...>>;

    CombineLatestSink(const Observer<R>& downstream, F combine)
        : downstream_(downstream), combine_(std::move(combine)) {}

    void setSubscription(const CompositeDisposable& subscription) {
        subscription_ = subscription.asDisposable();
    }

    // The observer of source I, sharing ownership of the sink.
    template <std::size_t I>
    static Observer<Element<I>> input(const std::shared_ptr<CombineLatestSink>& sink) {
        using Input = CombineLatestInput<I, Element<I>, CombineLatestSink>;
        return Observer<Element<I>>(
            std::shared_ptr<ObserverBase<Element<I>>>(sink, static_cast<Input*>(sink.get())));
    }

    template <std::size_t I>
    void next(const Element<I>& element) {
        const bool ended = gate_.run([this, &element] {
            if (stopped()) return false;
            // Once every slot holds a value, an element only replaces one in place.
            if (valueCount_ == arity) [[likely]] {
                *std::get<I>(latest_) = element;
                sendCombined();
                return false;
            }
            return firstValue<I>(element);
        });
        if (ended) [[unlikely]]
            subscription_.dispose();
    }

    void error(std::exception_ptr error) {
        const bool ended = gate_.run([&] {
            if (!stop()) return false;
            downstream_.onError(std::move(error));
            return true;
        });
        if (ended) subscription_.dispose();
    }

    void completed(std::size_t index) {
        const bool ended = gate_.run([this, index] {
            if (stopped() || done_[index]) return false;
            done_[index] = true;
            if (++doneCount_ < arity || !stop()) return false;
            downstream_.onCompleted();
            return true;
        });
        if (ended) subscription_.dispose();
    }

private:
    void sendCombined() { downstream_.onNext(combine_(*std::get<Is>(latest_)...)); }

    // An element while some slot is still empty; true when it ends the sequence.
    template <std::size_t I>
    [[gnu::noinline]] bool firstValue(const Element<I>& element) {
        auto& slot = std::get<I>(latest_);
        if (!slot) ++valueCount_;
        slot = element;
        if (valueCount_ == arity) {
            sendCombined();
            return false;
        }
        for (std::size_t i = 0; i < arity; ++i)
            if (i != I && !done_[i]) return false;
        if (!stop()) return false;
        downstream_.onCompleted();
        return true;
    }

    Observer<R> downstream_;
    F combine_;
    std::tuple<std::optional<Ts>...> latest_;
    std::array<bool, arity> done_{};
    std::size_t valueCount_ = 0;
    std::size_t doneCount_ = 0;
    WeakDisposable subscription_;
};

template <class F, class... Ts, std::size_t... Is>
auto combineLatest(F combine, std::index_sequence<Is...> indices, const Observable<Ts>&... sources) {
    using R = std::decay_t<std::invoke_result_t<F&, const Ts&...>>;
    using Sink = CombineLatestSink<R, F, decltype(indices), Ts...>;
    return makeObservable<R>([combine = std::move(combine), sources...](const Observer<R>& downstream) {
        auto sink = std::make_shared<Sink>(downstream, combine);
        CompositeDisposable subscription;
        sink->setSubscription(subscription);
        subscription.insert(Disposable(sink));
        (subscription.insert(sources.subscribe(Sink::template input<Is>(sink))), ...);
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
