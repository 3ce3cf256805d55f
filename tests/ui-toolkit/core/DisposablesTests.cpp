#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/Disposables.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

class DisposablesTest : public ::testing::Test {
protected:
    // Notes its name in `log` when disposed.
    struct Named : IDisposable {
        Named(Strings& log, std::string name) : log(log), name(std::move(name)) {}
        void dispose() override { log.push_back(name); }
        Strings& log;
        std::string name;
    };
    IDisposablePtr named(std::string name) { return std::make_shared<Named>(log, std::move(name)); }

    Strings log;
};

TEST_F(DisposablesTest, BagDisposesInOrderOnceAndOnRelease) {
    auto bag = Brindle::make<IDisposeBag>();
    bag->add(named("a"));
    bag->add(named("b"));
    bag->dispose();
    bag->dispose();
    EXPECT_EQ(log, (Strings{"a", "b"}));
    EXPECT_TRUE(bag->disposables.empty());
    bag->add(named("c"));
    bag.reset();
    EXPECT_EQ(log.back(), "c");
}

TEST_F(DisposablesTest, DisposableThatDisposesTheBagAgainIsDisposedOnce) {
    struct Reentrant : IDisposable {
        void dispose() override {
            ++count;
            bag->dispose();
        }
        int count = 0;
        IDisposeBag* bag = nullptr;
    };
    auto bag = Brindle::make<IDisposeBag>();
    auto reentrant = std::make_shared<Reentrant>();
    reentrant->bag = bag.get();
    bag->add(reentrant);
    bag->dispose();
    EXPECT_EQ(reentrant->count, 1);
}

TEST_F(DisposablesTest, RxAdapterEndsTheSubscriptionOnlyOnDispose) {
    rx::PublishSubject<int> subject;
    std::vector<int> seen;
    Brindle::make<DisposableToIDisposable>(subject.subscribe([&](int v) { seen.push_back(v); }));
    auto adapter =
        Brindle::make<DisposableToIDisposable>(subject.subscribe([&](int v) { seen.push_back(-v); }));
    adapter->dispose();
    adapter->dispose();
    EXPECT_FALSE(adapter->disposable.has_value());
    subject.onNext(1);
    EXPECT_EQ(seen, std::vector<int>{1});
}

TEST_F(DisposablesTest, AutoDisposerKeepsOnlyTheNewestPerKey) {
    auto disposer = Brindle::make<AutoDisposer>();
    disposer->add(named("first"), 1);
    disposer->add(named("other key"), 2);
    EXPECT_TRUE(log.empty());
    disposer->add(named("second"), 1);
    EXPECT_EQ(log, Strings{"first"});

    disposer->add(7, [&] { return named("made"); });
    rx::PublishSubject<int> subject;
    int received = 0;
    disposer->addRx(7, [&] { return subject.subscribe([&](int) { ++received; }); });
    EXPECT_EQ(log.back(), "made");
    subject.onNext(1);
    disposer->disposeAll();
    EXPECT_TRUE(disposer->disposeBags.empty());
    subject.onNext(2);
    EXPECT_EQ(received, 1);
    std::sort(log.begin() + 2, log.end());  // bags have no order among themselves
    EXPECT_EQ(log, (Strings{"first", "made", "other key", "second"}));

    // Reset leaves an empty bag; releasing the disposer disposes the rest.
    disposer->reset(3);
    EXPECT_TRUE(disposer->disposeBags.at(3)->disposables.empty());
    disposer->add(named("reset"), 4);
    disposer->reset(4);
    disposer->add(named("released"), 5);
    disposer.reset();
    EXPECT_EQ(log, (Strings{"first", "made", "other key", "second", "reset", "released"}));
}

}  // namespace
