#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/Disposables.h"

using namespace brindle_core;

namespace {

class CountingDisposable : public Brindle::Object, public IDisposable {
public:
    CountingDisposable(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    void dispose() override { log.push_back(name); }
    std::vector<std::string>& log;
    std::string name;
};

TEST(IDisposeBagTest, DisposesInOrderOnceAndOnRelease) {
    std::vector<std::string> log;
    auto bag = Brindle::make<IDisposeBag>();
    bag->add(Brindle::make<CountingDisposable>(log, "a"));
    bag->add(Brindle::make<CountingDisposable>(log, "b"));
    bag->dispose();
    bag->dispose();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(bag->disposables.empty());

    bag->add(Brindle::make<CountingDisposable>(log, "c"));
    bag.reset();
    EXPECT_EQ(log.back(), "c");
}

TEST(IDisposeBagTest, DisposableThatDisposesTheBagAgainIsDisposedOnce) {
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

TEST(DisposableToIDisposableTest, OnlyDisposeEndsTheSubscription) {
    rx::PublishSubject<int> subject;
    std::vector<int> seen;
    {
        auto adapter =
            Brindle::make<DisposableToIDisposable>(subject.subscribe([&](int v) { seen.push_back(v); }));
    }
    subject.onNext(1);
    EXPECT_EQ(seen, std::vector<int>{1});

    auto adapter =
        Brindle::make<DisposableToIDisposable>(subject.subscribe([&](int v) { seen.push_back(-v); }));
    adapter->dispose();
    EXPECT_FALSE(adapter->disposable.has_value());
    adapter->dispose();
    subject.onNext(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(AutoDisposerTest, KeepsOnlyTheNewestPerKey) {
    std::vector<std::string> log;
    auto disposer = Brindle::make<AutoDisposer>();
    disposer->add(Brindle::make<CountingDisposable>(log, "first"), 1);
    disposer->add(Brindle::make<CountingDisposable>(log, "other key"), 2);
    EXPECT_TRUE(log.empty());
    disposer->add(Brindle::make<CountingDisposable>(log, "second"), 1);
    EXPECT_EQ(log, std::vector<std::string>{"first"});

    disposer->add(7, [&] { return std::make_shared<CountingDisposable>(log, "made"); });
    rx::PublishSubject<int> subject;
    int received = 0;
    disposer->addRx(7, [&] { return subject.subscribe([&](int) { ++received; }); });
    EXPECT_EQ(log.back(), "made");
    subject.onNext(1);
    EXPECT_EQ(received, 1);

    disposer->disposeAll();
    EXPECT_TRUE(disposer->disposeBags.empty());
    subject.onNext(2);
    EXPECT_EQ(received, 1);
    // Bags have no order among themselves.
    std::sort(log.begin() + 2, log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"first", "made", "other key", "second"}));
}

TEST(AutoDisposerTest, ResetLeavesAnEmptyBagAndReleaseDisposesAll) {
    std::vector<std::string> log;
    auto disposer = Brindle::make<AutoDisposer>();
    disposer->reset(3);
    ASSERT_EQ(disposer->disposeBags.count(3), 1u);
    EXPECT_TRUE(disposer->disposeBags[3]->disposables.empty());

    disposer->add(Brindle::make<CountingDisposable>(log, "kept"), 4);
    disposer->reset(4);
    EXPECT_EQ(log, std::vector<std::string>{"kept"});
    disposer->add(Brindle::make<CountingDisposable>(log, "released"), 5);
    disposer.reset();
    EXPECT_EQ(log.back(), "released");
}

}  // namespace
