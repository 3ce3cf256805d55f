#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <memory>
#include <set>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtMainQueue.h"

using namespace platform;

TEST(QtMainQueue, ARepeatingTimerIsOneQtTimerReleasedOnceInvalid) {
    auto previous = MainQueue::backend();
    auto queue = qt::QtMainQueue::install();
    int ticks = 0;
    std::vector<const Timer*> seen;
    std::weak_ptr<Timer> weak = MainQueue::scheduledTimer(0.001, true, [&](Timer& timer) {
        seen.push_back(&timer);
        if (++ticks == 3) timer.invalidate();
    });
    QDeadlineTimer deadline(5000);
    while (ticks < 3 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MainQueue::setBackend(previous);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(std::set<const Timer*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_TRUE(weak.expired()) << "the Qt timer holds it only while it is valid";
}
