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
