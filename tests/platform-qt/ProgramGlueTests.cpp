#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/base/Process.h"
#include "platform/qt/KeyForwarder.h"
#include "platform/qt/ProgramExit.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"

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
    MainQueue::scheduledTimer(0.002, true, [&](Timer& timer) {
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
}

TEST(KeyForwarder, HandsKeysTypedIntoTheProgramsWindowsToTheLocalMonitorsOnce) {
    std::string error;
    auto desktop = sim::SimulatedDesktop::fromJSON("{}", {}, &error);
    ASSERT_TRUE(desktop) << error;
    ScopedSystem installed(desktop);
    std::vector<Event> events;
    auto monitor = EventMonitors::shared()->addLocalMonitor(
        eventMask(EventType::keyDown) | eventMask(EventType::flagsChanged),
        [&](const Event& event) -> std::optional<Event> {
            events.push_back(event);
            if (event.keyCode == KeyCode::escape) return std::nullopt;
            return event;
        });

    struct KeyCounter : QWidget {
        void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
        std::vector<int> keys;
    } window;
    window.show();
    qt::KeyForwarder forwarder;
    qApp->installEventFilter(&forwarder);
    auto* handle = window.windowHandle();
    ASSERT_TRUE(handle);

    QTest::keyClick(handle, Qt::Key_A);
    QTest::keyClick(handle, Qt::Key_Escape);
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(handle, &shift);
    qApp->removeEventFilter(&forwarder);
    EventMonitors::shared()->removeMonitor(monitor);

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EventType::keyDown);
    EXPECT_EQ(events[0].keyCode, 0);
    EXPECT_EQ(events[1].keyCode, KeyCode::escape);
    EXPECT_EQ(events[2].type, EventType::flagsChanged);
    EXPECT_EQ(events[2].modifierFlags, ModifierFlags::shift);
    EXPECT_EQ(Events::modifierFlags(), ModifierFlags::shift);
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_A, Qt::Key_Shift})) << "only Escape was swallowed";
}

TEST(ProgramExit, AnExitAskedForBeforeTheLoopEndsItAtOnce) {
    int terminations = 0;
    qt::ProgramExit programExit([&] { ++terminations; });
    exitProcess(3);
    EXPECT_EQ(programExit.exec(), 3);
    EXPECT_EQ(terminations, 0);
}

TEST(ProgramExit, EndingSignalsAndTheSessionsEndTerminateOnceAndLeaveTheLoopWithZero) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP, 0}) {
        SCOPED_TRACE(signal);
        int terminations = 0;
        qt::ProgramExit programExit([&] {
            ++terminations;
            // A second request while the first runs, and the program's own exit at its end.
            if (signal) std::raise(signal);
            exitProcess(0);
        });
        QTimer guard;
        guard.callOnTimeout([] { QCoreApplication::exit(99); });
        guard.start(10000);
        QTimer::singleShot(0, [signal] {
            if (signal)
                std::raise(signal);
            else
                QCoreApplication::quit();
        });
        EXPECT_EQ(programExit.exec(), 0);
        EXPECT_EQ(terminations, 1);
    }
}
