#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/Disposables.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

class DisposablesTest : public ::testing::Test {
protected:
    // Notes its name in `log` when disposed; disposing it may dispose `bag` again.
    struct Named : IDisposable {
        Named(Strings& log, std::string name, IDisposeBag* bag) : log(log), name(std::move(name)), bag(bag) {}
        void dispose() override {
            log.push_back(name);
            if (bag) bag->dispose();
        }
        Strings& log;
        std::string name;
        IDisposeBag* bag;
    };
    IDisposablePtr named(std::string name, IDisposeBag* bag = nullptr) {
        return std::make_shared<Named>(log, std::move(name), bag);
    }

    Strings log;
};

TEST_F(DisposablesTest, BagDisposesInOrderOnceAndOnReleaseEvenWhenAContentDisposesItAgain) {
    auto bag = Brindle::make<IDisposeBag>();
    bag->add(named("a"));
    bag->add(named("reentrant", bag.get()));
    bag->dispose();
    bag->dispose();
    EXPECT_TRUE(bag->disposables.empty());
    bag->add(named("c"));
    bag.reset();
    EXPECT_EQ(log, (Strings{"a", "reentrant", "c"}));
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
