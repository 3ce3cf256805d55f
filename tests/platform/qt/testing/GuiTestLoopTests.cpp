#include <gtest/gtest.h>

#include <QObject>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(GuiTestLoop, RunsDelayedBlocksInVirtualTimeWithQtsEventsInBetweenAndHandsBackWhenItGoes) {
    EXPECT_FALSE(animationsAreInstant());
    {
        GuiTestLoop loop;
        std::vector<std::string> order;
        QObject context;
        auto record = [&](const char* what) { return [&order, what] { order.push_back(what); }; };
        // A queued Qt call that itself goes back to the main queue.
        MainQueue::asyncAfter(1.0, [&] {
            QMetaObject::invokeMethod(
                &context, [&] { MainQueue::async(record("posted by qt")); }, Qt::QueuedConnection);
        });
        MainQueue::asyncAfter(2.0, record("block at 2"));
        loop.advance(0.5);
        EXPECT_TRUE(order.empty());
        loop.advance(1.0);
        EXPECT_EQ(order, std::vector<std::string>{"posted by qt"});
        EXPECT_TRUE(animationsAreInstant() && loop.elapsed() == 1.5);
        // A later loop takes over and hands back when it goes.
        {
            GuiTestLoop inner;
            MainQueue::async(record("inner"));
            inner.runUntilIdle();
        }
        loop.advance(1.0);
        EXPECT_EQ(order, (std::vector<std::string>{"posted by qt", "inner", "block at 2"}));
        EXPECT_EQ(loop.pendingCount(), 0u);
    }
    EXPECT_FALSE(animationsAreInstant());
}
