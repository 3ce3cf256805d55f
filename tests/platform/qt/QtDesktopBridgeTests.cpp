#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/QtDesktopBridge.h"

using namespace platform;
using namespace platform::qt;

TEST(QtDesktopBridge, ReportsQtsScreensAtOnceAndModifiersInThePlatformsTerms) {
    std::vector<std::vector<Screen>> reports;
    QtDesktopBridge bridge([&](std::vector<Screen> screens) { reports.push_back(std::move(screens)); });
    auto first = QGuiApplication::screens().front()->geometry();
    ASSERT_EQ(reports, std::vector<std::vector<Screen>>{QtDesktopBridge::currentScreens()});
    EXPECT_EQ(reports[0].at(0).frame, Rect::make(0, 0, first.width(), first.height()));
    // The pointer's place is the end-to-end checks' (at the bottom edge it brings the bar back).
    EXPECT_EQ(QtDesktopBridge::modifierFlags(), 0u) << "no key is held";
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::ShiftModifier), 1u << 17);
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::ControlModifier | Qt::AltModifier), (1u << 18) | (1u << 19));
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::MetaModifier | Qt::KeypadModifier), 1u << 20);
}
