#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QVariantAnimation>
#include <QWidget>

#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/QtViewFactory.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

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
