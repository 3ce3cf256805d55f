#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/testing/VirtualMainLoop.h"
#include "rx/Rx.h"
#include "tests/support/Waiting.h"

namespace {

using Latch = test_support::Countdown;

rx::SchedulerPtr concurrentScheduler() {
    return std::make_shared<rx::ConcurrentDispatchQueueScheduler>(platform::QualityOfService::userInitiated);
}

// Two subscriptions, each with its own queue: they may run in parallel with each other, but each
// gets its elements one at a time and in order.
TEST(ObserveOnConcurrent, DeliversOneAtATimeAndInOrder) {
    constexpr int count = 20000;
    struct Track {
        std::atomic<int> inFlight{0};
        int next = 0, overlaps = 0, outOfOrder = 0;
    } tracks[2];
    rx::PublishSubject<int> subject;
    Latch finished(2);
    std::vector<rx::Disposable> subscriptions;
    for (auto& t : tracks) {
        subscriptions.push_back(subject.observeOn(concurrentScheduler())
                                    .subscribe(
                                        [&t](int value) {
                                            if (t.inFlight.fetch_add(1) != 0) ++t.overlaps;
                                            if (value != t.next++) ++t.outOfOrder;
                                            std::this_thread::yield();
                                            t.inFlight.fetch_sub(1);
                                        },
                                        nullptr, [&] { finished.done(); }));
    }
    std::thread([&] {
        for (int i = 0; i < count; ++i) subject.onNext(i);
        subject.onCompleted();
    }).join();
    ASSERT_TRUE(finished.wait());
    for (const auto& t : tracks) {
        EXPECT_EQ(t.overlaps, 0);
        EXPECT_EQ(t.outOfOrder, 0);
        EXPECT_EQ(t.next, count);
    }
}

TEST(ObserveOnConcurrent, DisposeFromAnotherThreadStopsDelivery) {
    rx::PublishSubject<int> subject;
    std::atomic<int> received{0};
    auto subscription = subject.observeOn(concurrentScheduler()).subscribe([&](int) { ++received; });
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        for (int i = 0; !stop.load(); ++i) subject.onNext(i);
    });
    const bool flowing = test_support::waitUntil([&] { return received.load() >= 100; });
    subscription.dispose();
    const int atDispose = received.load();
    stop = true;
    producer.join();
    ASSERT_TRUE(flowing);
    Latch settled;
    auto probe = rx::just(0).observeOn(concurrentScheduler()).subscribe([&](int) { settled.done(); });
    ASSERT_TRUE(settled.wait());
    // Only a delivery already under way when dispose() returned may still finish.
    EXPECT_LE(received.load(), atDispose + 1);
}

TEST(Subjects, SurviveSubscribingAndDisposingWhileOtherThreadsDeliver) {
    rx::PublishSubject<int> subject;
    rx::BehaviorRelay<int> relay(0);
    std::atomic<long> received{0};
    std::atomic<bool> stop{false};
    const auto count = [&](int) { ++received; };
    std::vector<std::thread> senders, churners;
    for (int t = 0; t < 2; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; !stop.load(); ++i) {
                subject.onNext(i);
                relay.accept(i);
            }
        });
        churners.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                auto a = subject.map([](int v) { return v + 1; }).subscribe(count);
                auto b = relay.subscribe(count);
                rx::DisposeBag bag;
                subject.subscribe(count).disposed(bag);
                a.dispose();
                b.dispose();
            }
        });
    }
    for (auto& thread : churners) thread.join();
    stop = true;
    for (auto& thread : senders) thread.join();
    EXPECT_FALSE(subject.hasObservers());
    EXPECT_FALSE(relay.hasObservers());
    EXPECT_GT(received.load(), 0);
}

TEST(Subjects, LateSubscriberNeverSeesAnOlderValueAfterANewerOne) {
    constexpr int count = 20000;
    rx::BehaviorRelay<int> relay(0);
    rx::Published<int> published(0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 1; i <= count; ++i) {
            relay.accept(i);
            published.set(i);
        }
        stop = true;
    });
    std::atomic<int> regressions{0};
    while (!stop.load()) {
        // Shared with a delivery that may still be under way after dispose.
        auto lastRelay = std::make_shared<std::atomic<int>>(-1);
        auto lastPublished = std::make_shared<std::atomic<int>>(-1);
        auto a = relay.subscribe([&regressions, lastRelay](int v) {
            if (v <= lastRelay->exchange(v)) ++regressions;
        });
        auto b = published.observe([&regressions, lastPublished](int v) {
            if (v <= lastPublished->exchange(v)) ++regressions;
        });
        std::this_thread::yield();
        a.dispose();
        b.dispose();
    }
    writer.join();
    EXPECT_EQ(regressions.load(), 0);
    EXPECT_EQ(relay.value(), count);
    EXPECT_EQ(published.value(), count);
}

TEST(TimeOperatorsConcurrent, ThrottleAndDebounceOnAConcurrentSchedulerEndWithTheLastElement) {
    auto scheduler = concurrentScheduler();
    rx::PublishSubject<int> subject;
    std::mutex mutex;
    std::vector<int> received;
    Latch finished;
    auto subscription =
        rx::merge(subject.throttle(0.001, true, scheduler), subject.debounce(0.001, scheduler))
            .observeOn(scheduler)
            .subscribe(
                [&](int v) {
                    std::lock_guard lock(mutex);
                    received.push_back(v);
                },
                nullptr, [&] { finished.done(); });
    std::thread([&] {
        for (int i = 0; i < 2000; ++i) subject.onNext(i);
        subject.onCompleted();
    }).join();
    ASSERT_TRUE(finished.wait());
    std::lock_guard lock(mutex);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front(), 0);
    EXPECT_EQ(received.back(), 1999);
}

TEST(RefreshPipelineConcurrent, MergedTriggersAndMainTicksReachTheMainThreadDistinctAndInOrder) {
    platform::testing::VirtualMainLoop loop;
    auto worker = concurrentScheduler();
    rx::PublishSubject<int> trigger;
    auto ticks = rx::interval(0.1, rx::MainScheduler::instance()).map([](std::int64_t) { return -1; });
    int computed = 0;  // touched only by the one-at-a-time stage
    std::vector<int> received;
    std::atomic<std::size_t> receivedCount{0};
    std::atomic<int> offMain{0};
    auto subscription = rx::merge(trigger.observeOn(worker), ticks)
                            .observeOn(worker)
                            .map([&computed](int) { return ++computed / 4; })
                            .distinctUntilChanged()
                            .observeOn(rx::MainScheduler::instance())
                            .subscribe([&](int value) {
                                if (!platform::MainQueue::isMainThread()) ++offMain;
                                received.push_back(value);
                                receivedCount = received.size();
                            });
    std::atomic<bool> stopped{false};
    std::thread producer([&] {
        for (int i = 0; i < 3000 || (receivedCount.load() < 20 && i < 10000000); ++i) trigger.onNext(i);
        // Ends the timer from another thread while the main thread keeps firing it.
        subscription.dispose();
        stopped = true;
    });
    while (!stopped.load()) loop.advance(0.05);
    producer.join();
    loop.advance(1);
    EXPECT_EQ(offMain.load(), 0);
    ASSERT_FALSE(received.empty());
    for (std::size_t i = 1; i < received.size(); ++i) EXPECT_LT(received[i - 1], received[i]);
}

TEST(MainSchedulerConcurrent, WorkFromManyThreadsRunsOnTheMainThreadInEachThreadsOrder) {
    platform::testing::VirtualMainLoop loop;
    constexpr int perThread = 500;
    std::vector<std::vector<int>> seen(4);
    std::atomic<int> offMain{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                auto work = rx::MainScheduler::instance()->schedule([&, t, i] {
                    if (!platform::MainQueue::isMainThread()) ++offMain;
                    seen[t].push_back(i);
                });
            }
        });
    }
    for (auto& thread : threads) thread.join();
    loop.runUntilIdle();
    EXPECT_EQ(offMain.load(), 0);
    std::vector<int> inOrder(perThread);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    for (const auto& list : seen) EXPECT_EQ(list, inOrder);
}

}  // namespace
