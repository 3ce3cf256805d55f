#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing/VirtualMainLoop.h"
#include "rx/Rx.h"
#include "tests/support/Waiting.h"

namespace {

using Latch = test_support::Countdown;

rx::SchedulerPtr concurrentScheduler() {
    return std::make_shared<rx::ConcurrentDispatchQueueScheduler>(platform::QualityOfService::userInitiated);
}

// Sends 0..count-1 and the completion from another thread.
void sendFromAThread(rx::PublishSubject<int>& subject, int count) {
    std::thread([&] {
        for (int i = 0; i < count; ++i) subject.onNext(i);
        subject.onCompleted();
    }).join();
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
    std::atomic<long> received{0};
    std::atomic<bool> stop{false};
    const auto count = [&](int) { ++received; };
    std::vector<std::thread> senders, churners;
    for (int t = 0; t < 2; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; !stop.load(); ++i) subject.onNext(i);
        });
        churners.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                auto a = subject.map([](int v) { return v + 1; }).subscribe(count);
                rx::DisposeBag bag;
                subject.subscribe(count).disposed(bag);
                a.dispose();
            }
        });
    }
    for (auto& thread : churners) thread.join();
    stop = true;
    for (auto& thread : senders) thread.join();
    EXPECT_FALSE(subject.hasObservers());
    EXPECT_GT(received.load(), 0);
}

TEST(Subjects, LateSubscriberNeverSeesAnOlderValueAfterANewerOne) {
    constexpr int count = 20000;
    rx::BehaviorRelay<int> relay(0);
    rx::Published<int> published(0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 1; i <= count; ++i) relay.accept(i), published.set(i);
        stop = true;
    });
    std::atomic<int> regressions{0};
    // Each watcher's last value is shared with a delivery that may still be under way after dispose.
    const auto watcher = [&regressions] {
        return [&regressions, last = std::make_shared<std::atomic<int>>(-1)](int v) {
            if (v <= last->exchange(v)) ++regressions;
        };
    };
    while (!stop.load()) {
        auto a = relay.subscribe(watcher());
        auto b = published.observe(watcher());
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
    sendFromAThread(subject, 2000);
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
    int computed = 0;  // touched only by the one-at-a-time stage: an overlap is a race
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
    EXPECT_TRUE(std::adjacent_find(received.begin(), received.end(), std::greater_equal<>()) ==
                received.end());
}

// Every sender's events, sent while the others send theirs: what the subscriber sees runs one
// at a time (the plain counters would race otherwise), once each and in each sender's order. The
// main thread sends first, so the others must take the operator over from it.
TEST(MergeAndCombineLatestConcurrent, EventsFromManyThreadsArriveOneAtATimeInEachSendersOrder) {
    constexpr int senders = 3, perSender = 20000;
    struct Seen {
        std::atomic<int> inside{0};
        int overlaps = 0, received = 0, disorder = 0;
        std::vector<int> last = std::vector<int>(senders + 1, -1);
        // A combined value repeats the other source's latest: equal is in order there.
        void note(int sender, int index, bool repeats = false) {
            if (inside.fetch_add(1) != 0) ++overlaps;
            const int previous = last[static_cast<std::size_t>(sender)];
            if (index < previous || (index == previous && !repeats)) ++disorder;
            last[static_cast<std::size_t>(sender)] = index;
            ++received;
            inside.fetch_sub(1);
        }
    };
    std::vector<rx::PublishSubject<int>> subjects(senders + 1);
    Seen merged, combined;
    auto a =
        rx::merge(std::vector<rx::Observable<int>>(subjects.begin(), subjects.end())).subscribe([&](int v) {
            merged.note(v / perSender, v % perSender);
        });
    // Sender 0 feeds the first source, the others the second.
    auto second = rx::merge(std::vector<rx::Observable<int>>(subjects.begin() + 1, subjects.end()));
    auto b = rx::combineLatest(subjects[0], second, [](int x, int y) {
                 return std::pair{x, y};
             }).subscribe([&](std::pair<int, int> p) {
        combined.note(0, p.first, true);
        combined.note(p.second / perSender, p.second % perSender, true);
    });
    subjects[0].onNext(0);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 1; t <= senders; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            for (int i = 0; i < perSender; ++i)
                subjects[static_cast<std::size_t>(t)].onNext(t * perSender + i);
        });
    // The main thread is still sending when the others start.
    for (int i = 1; i < perSender; ++i) {
        if (i == perSender / 2)
            while (ready.load() < senders) std::this_thread::yield();
        subjects[0].onNext(i);
    }
    for (auto& thread : threads) thread.join();
    a.dispose();
    b.dispose();
    EXPECT_EQ(merged.overlaps + combined.overlaps, 0);
    EXPECT_EQ(merged.received, (senders + 1) * perSender);
    EXPECT_EQ(merged.disorder, 0);
    EXPECT_GT(combined.received, 0);
    EXPECT_EQ(combined.disorder, 0);
}

// An event sent from within a delivery of the same operator arrives at once, nested, as under a
// recursive lock: while the first thread owns the operator, on the thread that took it over, and
// on the former owner afterwards.
TEST(MergeAndCombineLatestConcurrent, AnEventSentFromWithinADeliveryArrivesAtOnceOnEveryThread) {
    rx::PublishSubject<int> a, b, c, d;
    std::vector<std::string> lines;  // one thread sends at a time
    int nestWith = 0;                // what the next delivery sends from within itself
    const auto deliver = [&](const std::string& name, rx::PublishSubject<int>& inner) {
        return [&, name](int v) {
            lines.push_back(name + std::to_string(v));
            if (const int nested = std::exchange(nestWith, 0)) {
                inner.onNext(nested);
                lines.push_back(name + " back");
            }
        };
    };
    auto merged = rx::merge(a, b).subscribe(deliver("m", b));
    auto combined =
        rx::combineLatest(c, d, [](int x, int y) { return x * 10 + y; }).subscribe(deliver("c", d));
    d.onNext(0);
    const auto round = [&](int k) {
        nestWith = k + 5;
        a.onNext(k);
        nestWith = k + 5;
        c.onNext(k);
    };
    round(1);
    std::thread(round, 2).join();
    round(3);
    EXPECT_EQ(lines, (std::vector<std::string>{"m1", "m6", "m back", "c10", "c16", "c back",  //
                                               "m2", "m7", "m back", "c26", "c27", "c back",  //
                                               "m3", "m8", "m back", "c37", "c38", "c back"}));
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
    for (const auto& list : seen) {
        EXPECT_EQ(list.size(), std::size_t(perThread));
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    }
}

}  // namespace
