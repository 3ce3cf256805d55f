#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QVariantAnimation>
#include <QWidget>

#include "platform/base/Animation.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(Animation, ChangesEaseOnlyInsideATransactionAndTheLastChangeWins) {
    QObject owner;
    QRect frame(0, 0, 100, 100);
    auto set = [&](const QVariant& v) { frame = v.toRect(); };
    animateChange(&owner, "frame", frame, QRect(0, 0, 10, 10), set);
    EXPECT_EQ(frame, QRect(0, 0, 10, 10)) << "outside a transaction at once";
    withAnimation([&] { animateChange(&owner, "frame", frame, QRect(0, 0, 200, 100), set); });
    ASSERT_TRUE(isAnimating(&owner, "frame"));
    auto* animation = owner.findChild<QVariantAnimation*>();
    animation->setCurrentTime(animation->duration() / 2);
    EXPECT_TRUE(frame.width() > 10 && frame.width() < 200) << frame.width();
    // A new change replaces the running one, and its own end value is where it stops.
    withAnimation([&] {
        animateChange(&owner, "frame", frame, QRect(0, 0, 50, 50), set, {0.2, QEasingCurve::Linear});
    });
    ASSERT_EQ(owner.findChildren<QVariantAnimation*>().size(), 1);
    animation = owner.findChild<QVariantAnimation*>();
    animation->setCurrentTime(animation->duration());
    EXPECT_EQ(frame, QRect(0, 0, 50, 50));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(isAnimating(&owner, "frame"));
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
    // An instant change stops a running animation so it cannot overwrite the new value.
    window.setFrame(Rect::make(0, 0, 100, 200), false, true);
    window.setFrame(Rect::make(0, 0, 400, 200), false);
    EXPECT_TRUE(widget->findChildren<QVariantAnimation*>().isEmpty());
    EXPECT_EQ(widget->width(), 400);
    // Under the test loop even an animated frame applies at once.
    GuiTestLoop loop;
    window.setFrame(Rect::make(0, 0, 500, 200), false, true);
    EXPECT_EQ(widget->width(), 500);
}
