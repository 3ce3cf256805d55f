#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <set>
#include <thread>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtMainQueue.h"

using namespace platform;

// Turns Qt's loop until `done` holds; false after ten seconds instead of hanging.
static bool runUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

TEST(QtMainQueue, RunsPostsFromOtherThreadsInOrderAndDelaysAndTimersOnTheMainThread) {
    struct Restore {
        std::shared_ptr<MainQueueBackend> previous = MainQueue::backend();
        ~Restore() { MainQueue::setBackend(previous); }
    } restore;
    qt::QtMainQueue::install();
    constexpr int threads = 4, posts = 200;
    std::vector<std::vector<int>> seen(threads);
    std::atomic<int> offMain = 0, total = 0;
    std::vector<std::string> order;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < posts; ++i)
                MainQueue::async([&, t, i] {
                    offMain += MainQueue::isMainThread() ? 0 : 1;
                    seen[t].push_back(i);
                    ++total;
                });
        });
    workers.emplace_back([&] {
        MainQueue::asyncAfter(0.03, [&] { order.push_back("later"); });
        MainQueue::asyncAfter(0.01, [&] { order.push_back("sooner"); });
    });
    for (auto& worker : workers) worker.join();
    MainQueue::asyncAfter(-1, [&] { order.push_back("negative"); });
    int fired = 0;
    std::set<const Timer*> firedBy;
    std::weak_ptr<Timer> repeating = MainQueue::scheduledTimer(0.002, true, [&](Timer& timer) {
        firedBy.insert(&timer);
        if (++fired == 3) timer.invalidate();
    });
    auto stopped = MainQueue::scheduledTimer(0.001, true, [&](Timer&) { order.push_back("invalidated"); });
    std::thread([&] { stopped->invalidate(); }).join();
    ASSERT_TRUE(runUntil([&] { return total == threads * posts && order.size() >= 3 && fired >= 3; }));
    // Long enough for a further firing of either timer to show.
    bool waited = false;
    MainQueue::asyncAfter(0.05, [&] { waited = true; });
    ASSERT_TRUE(runUntil([&] { return waited; }));
    EXPECT_EQ(offMain, 0);
    for (const auto& each : seen) EXPECT_TRUE(std::ranges::is_sorted(each));
    EXPECT_EQ(order, (std::vector<std::string>{"negative", "sooner", "later"}));
    EXPECT_EQ(fired, 3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(firedBy.size(), 1u) << "one timer object for every firing";
    EXPECT_TRUE(repeating.expired()) << "the loop holds a timer only while it is valid";
}

// Timers of half and whole seconds share the loop's wake-ups: the whole-second one fires in the
// same turn as the half-second one, before anything posted meanwhile runs.
TEST(QtMainQueue, TimersOfHalfAndWholeSecondsFireInOneTurnOfTheLoop) {
    struct Restore {
        std::shared_ptr<MainQueueBackend> previous = MainQueue::backend();
        ~Restore() { MainQueue::setBackend(previous); }
    } restore;
    qt::QtMainQueue::install();
    bool turned = true;
    int half = 0;
    std::vector<bool> turnedBeforeWhole;
    auto poll = MainQueue::scheduledTimer(0.5, true, [&](Timer&) {
        ++half;
        turned = false;
        MainQueue::async([&] { turned = true; });
    });
    auto clock = MainQueue::scheduledTimer(1.0, true, [&](Timer& timer) {
        turnedBeforeWhole.push_back(turned || !MainQueue::isMainThread());
        if (turnedBeforeWhole.size() == 2) timer.invalidate();
    });
    ASSERT_TRUE(runUntil([&] { return turnedBeforeWhole.size() == 2; }));
    poll->invalidate();
    EXPECT_EQ(turnedBeforeWhole, (std::vector<bool>{false, false}));
    EXPECT_GE(half, 3);
}
