#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rx/Rx.h"

namespace {

TEST(Disposable, ActionRunsOnceOnFirstDisposeAndNeverOnDestruction) {
    int runs = 0;
    {
        auto disposable = rx::Disposable::create([&] { ++runs; });
        rx::Disposable copy = disposable;
        EXPECT_FALSE(copy.isDisposed());
        copy.dispose();
        disposable.dispose();
        EXPECT_TRUE(disposable.isDisposed());
        auto dropped = rx::Disposable::create([&] { ++runs; });
    }
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(rx::Disposable().isDisposed());

    // So a subscription whose handle is dropped keeps running.
    rx::PublishSubject<int> subject;
    std::vector<int> received;
    {
        auto dropped = subject.subscribe([&](int value) { received.push_back(value); });
    }
    subject.onNext(1);
    EXPECT_EQ(received, std::vector<int>{1});
}

TEST(DisposeBag, DisposesItsContentsInOrderWhenDestroyedOrReplaced) {
    std::vector<int> order;
    rx::PublishSubject<int> subject;
    {
        rx::DisposeBag bag;
        rx::Disposable::create([&] { order.push_back(1); }).disposed(bag);
        bag.insert(rx::Disposable::create([&] { order.push_back(2); }));
        EXPECT_TRUE(order.empty());
        bag = rx::DisposeBag();
        EXPECT_EQ(order, (std::vector<int>{1, 2}));

        rx::Disposable::create([&] { order.push_back(3); }).disposed(bag);
        subject.subscribe([&](int value) { order.push_back(value); }).disposed(bag);
        rx::DisposeBag moved(std::move(bag));
        bag = rx::DisposeBag();
        subject.onNext(10);
        EXPECT_EQ(order, (std::vector<int>{1, 2, 10}));
    }
    subject.onNext(20);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 10, 3}));
    EXPECT_FALSE(subject.hasObservers());
}

TEST(CompositeDisposable, AdditionAfterDisposeIsDisposedAtOnce) {
    rx::CompositeDisposable composite;
    auto first = rx::Disposable::create();
    composite.insert(first);
    composite.dispose();
    EXPECT_TRUE(first.isDisposed());
    auto late = rx::Disposable::create();
    composite.insert(late);
    EXPECT_TRUE(late.isDisposed());
}

}  // namespace
