#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QVariantAnimation>
#include <QWidget>
#include <set>

#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/GuiTestLoop.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtViewFactory.h"
#include "platform/qt/Window.h"

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
        EXPECT_TRUE(animationsAreInstant());
        QPointer<QObject> doomed(new QObject());
        doomed->deleteLater();
        loop.runUntilIdle();
        EXPECT_TRUE(doomed.isNull());

        // A later loop takes over and hands back when it goes.
        {
            GuiTestLoop inner;
            bool ran = false;
            MainQueue::async([&] { ran = true; });
            inner.runUntilIdle();
            EXPECT_TRUE(ran);
        }
        bool ran = false;
        MainQueue::async([&] { ran = true; });
        loop.runUntilIdle();
        EXPECT_TRUE(ran);
        EXPECT_TRUE(animationsAreInstant());
    }
    EXPECT_FALSE(animationsAreInstant());
}

TEST(QtMainQueue, ARepeatingTimerIsOneQtTimerReleasedOnceInvalid) {
    auto previous = MainQueue::backend();
    auto queue = QtMainQueue::install();
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

TEST(Animation, ChangesOutsideATransactionOrUnderTheTestLoopApplyAtOnce) {
    QObject owner;
    double value = 0;
    auto set = [&](const QVariant& v) { value = v.toDouble(); };
    animateChange(&owner, "opacity", 0.0, 1.0, set);
    EXPECT_EQ(value, 1.0);
    EXPECT_FALSE(isAnimating(&owner, "opacity"));

    GuiTestLoop loop;
    withAnimation([&] { animateChange(&owner, "opacity", 1.0, 0.4, set); });
    EXPECT_EQ(value, 0.4);
    EXPECT_FALSE(isAnimating(&owner, "opacity"));
}

TEST(Animation, InsideATransactionItEasesToTheEndValueAndTheLastChangeWins) {
    QObject owner;
    QRect frame(0, 0, 100, 100);
    auto set = [&](const QVariant& v) { frame = v.toRect(); };
    withAnimation([&] { animateChange(&owner, "frame", frame, QRect(0, 0, 200, 100), set); });
    ASSERT_TRUE(isAnimating(&owner, "frame"));
    auto* animation = owner.findChild<QVariantAnimation*>();
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->duration(), 350);
    EXPECT_EQ(animation->easingCurve().type(), QEasingCurve::InOutQuad);
    animation->setCurrentTime(175);
    EXPECT_GT(frame.width(), 100);
    EXPECT_LT(frame.width(), 200);

    // A new change replaces the running one, and its own end value is where it stops.
    withAnimation([&] {
        animateChange(&owner, "frame", frame, QRect(0, 0, 50, 50), set, {0.2, QEasingCurve::Linear});
    });
    EXPECT_EQ(owner.findChildren<QVariantAnimation*>().size(), 1);
    animation = owner.findChild<QVariantAnimation*>();
    animation->setCurrentTime(animation->duration());
    EXPECT_EQ(frame, QRect(0, 0, 50, 50));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(isAnimating(&owner, "frame"));

    // An instant change stops a running animation so it cannot overwrite the new value.
    withAnimation([&] { animateChange(&owner, "frame", frame, QRect(0, 0, 300, 300), set); });
    animateChange(&owner, "frame", frame, QRect(1, 1, 10, 10), set);
    EXPECT_FALSE(isAnimating(&owner, "frame"));
    EXPECT_EQ(frame, QRect(1, 1, 10, 10));
}

TEST(Animation, AnimatedWindowFramesEndWhereTheyWereSentAndALaterFrameStopsThem) {
    Window window(Rect::make(0, 0, 300, 200), WindowStyleMask::borderless);
    auto* widget = window.widget();
    window.setFrame(Rect::make(0, 0, 600, 200), false, true);
    EXPECT_EQ(window.frame(), Rect::make(0, 0, 600, 200));
    auto* animation = widget->findChild<QVariantAnimation*>();
    ASSERT_TRUE(animation);
    animation->setCurrentTime(animation->duration());
    EXPECT_EQ(widget->width(), 600);

    window.setFrame(Rect::make(0, 0, 100, 200), false, true);
    window.setFrame(Rect::make(0, 0, 400, 200), false);
    EXPECT_TRUE(widget->findChildren<QVariantAnimation*>().isEmpty());
    EXPECT_EQ(widget->width(), 400);

    GuiTestLoop loop;
    window.setFrame(Rect::make(0, 0, 500, 200), false, true);
    EXPECT_EQ(widget->width(), 500);
}

TEST(Appearance, OverridesWinOverThePaletteAndAnnounceChanges) {
    auto* appearance = Appearance::shared();
    QSignalSpy changes(appearance, &Appearance::changed);
    appearance->setColorSchemeOverride(ColorScheme::dark);
    appearance->setAccentColorOverride(QColor(0, 146, 217));
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::dark);
    EXPECT_EQ(appearance->accentColor(), QColor(0, 146, 217));
    appearance->setAccentColorOverride(QColor(0, 146, 217));
    EXPECT_EQ(changes.count(), 2);

    appearance->setColorSchemeOverride(std::nullopt);
    appearance->setAccentColorOverride(std::nullopt);
    auto original = QGuiApplication::palette();
    QPalette dark(QColor(30, 30, 30));
    dark.setColor(QPalette::Highlight, QColor(200, 50, 50));
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::dark);
    EXPECT_EQ(appearance->accentColor(), QColor(200, 50, 50));
    QGuiApplication::setPalette(QPalette(QColor(236, 236, 236)));
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::light);
    EXPECT_GE(changes.count(), 6);
    QGuiApplication::setPalette(original);
}

TEST(ViewFactory, CarriesAViewToPresentWithoutQt) {
    int made = 0;
    ViewFactory factory = makeViewFactory([&] {
        ++made;
        return new QLabel("Presented");
    });
    ASSERT_TRUE(factory);
    auto first = makeView(factory);
    auto second = makeView(factory);
    EXPECT_EQ(made, 2);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(qobject_cast<QLabel*>(first.get())->text(), "Presented");
    EXPECT_FALSE(makeView(ViewFactory()));
    EXPECT_FALSE(makeViewFactory({}));
}
