#include <gtest/gtest.h>

#include <QObject>
#include <QPointer>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(GuiTestLoop, RunsDelayedBlocksInVirtualTimeAndQtsPostedEventsInBetween) {
    GuiTestLoop loop;
    std::vector<std::string> order;
    QObject context;
    MainQueue::asyncAfter(1.0, [&] {
        order.push_back("block at 1");
        // A queued Qt call that itself goes back to the main queue.
        QMetaObject::invokeMethod(
            &context,
            [&] {
                order.push_back("qt call");
                MainQueue::async([&] { order.push_back("posted by qt"); });
            },
            Qt::QueuedConnection);
    });
    MainQueue::asyncAfter(2.0, [&] { order.push_back("block at 2"); });
    loop.advance(0.5);
    EXPECT_TRUE(order.empty());
    loop.advance(1.0);
    EXPECT_EQ(order, (std::vector<std::string>{"block at 1", "qt call", "posted by qt"}));
    EXPECT_DOUBLE_EQ(loop.elapsed(), 1.5);
    loop.advance(1.0);
    EXPECT_EQ(order.back(), "block at 2");
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(GuiTestLoop, ProcessesDeferredDeletionsAndMakesAnimationsInstantWhileInstalled) {
    EXPECT_FALSE(animationsAreInstant());
    {
        GuiTestLoop loop;
        QPointer<QObject> doomed(new QObject());
        doomed->deleteLater();
        loop.runUntilIdle();
        EXPECT_TRUE(doomed.isNull());
        // A later loop takes over and hands back when it goes.
        int ran = 0;
        {
            GuiTestLoop inner;
            MainQueue::async([&] { ++ran; });
            inner.runUntilIdle();
            EXPECT_EQ(ran, 1);
        }
        MainQueue::async([&] { ++ran; });
        loop.runUntilIdle();
        EXPECT_EQ(ran, 2);
        EXPECT_TRUE(animationsAreInstant());
    }
    EXPECT_FALSE(animationsAreInstant());
}
