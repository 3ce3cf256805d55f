#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtMainQueue.h"

using namespace platform;

namespace {

// Qt's own loop behind the main queue while it lives, instead of the tests' virtual one.
struct RealLoop {
    RealLoop() : previous(MainQueue::backend()) { qt::QtMainQueue::install(); }
    ~RealLoop() { MainQueue::setBackend(previous); }

    // Turns the loop until `done` holds; false after ten seconds instead of hanging.
    static bool runUntil(const std::function<bool()>& done) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done()) {
            if (elapsed.elapsed() > 10000) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }

    std::shared_ptr<MainQueueBackend> previous;
};

}  // namespace

TEST(QtMainQueue, RunsPostsFromWorkerThreadsOnTheMainThreadInEachThreadsOrder) {
    RealLoop loop;
    constexpr int threads = 4, posts = 200;
    std::mutex mutex;
    std::vector<std::vector<int>> seen(threads);
    int offMain = 0, total = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < posts; ++i) {
                MainQueue::async([&, t, i] {
                    std::lock_guard lock(mutex);
                    seen[t].push_back(i);
                    offMain += MainQueue::isMainThread() ? 0 : 1;
                    ++total;
                });
            }
        });
    }
    for (auto& worker : workers) worker.join();
    ASSERT_TRUE(RealLoop::runUntil([&] {
        std::lock_guard lock(mutex);
        return total == threads * posts;
    }));
    EXPECT_EQ(offMain, 0);
    for (const auto& order : seen) EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(QtMainQueue, DelaysRunInTheirOrderAndTimersRepeatUntilInvalidatedFromAnyThread) {
    RealLoop loop;
    std::vector<std::string> order;
    std::thread([&] {
        MainQueue::asyncAfter(0.03, [&] { order.push_back("later"); });
        MainQueue::asyncAfter(0.01, [&] { order.push_back("sooner"); });
    }).join();
    MainQueue::asyncAfter(-1, [&] { order.push_back("negative"); });
    int fired = 0;
    std::set<const Timer*> firedBy;
    std::weak_ptr<Timer> repeating = MainQueue::scheduledTimer(0.002, true, [&](Timer& timer) {
        firedBy.insert(&timer);
        if (++fired == 3) timer.invalidate();
    });
    auto stopped = MainQueue::scheduledTimer(0.001, true, [&](Timer&) { order.push_back("invalidated"); });
    std::thread([&] { stopped->invalidate(); }).join();
    ASSERT_TRUE(RealLoop::runUntil([&] { return order.size() >= 3 && fired >= 3; }));
    // Long enough for a further firing of either timer to show.
    bool waited = false;
    MainQueue::asyncAfter(0.05, [&] { waited = true; });
    ASSERT_TRUE(RealLoop::runUntil([&] { return waited; }));
    EXPECT_EQ(order, (std::vector<std::string>{"negative", "sooner", "later"}));
    EXPECT_EQ(fired, 3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(firedBy.size(), 1u) << "one timer object for every firing";
    EXPECT_TRUE(repeating.expired()) << "the loop holds a timer only while it is valid";
}
