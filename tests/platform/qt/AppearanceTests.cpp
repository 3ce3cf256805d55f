// GIO first: Qt's keywords would otherwise clash with its names.
// clang-format off
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/platform/xdg/StubPortal.h"
// clang-format on

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

#include "platform/qt/Appearance.h"

using namespace platform::qt;

TEST(Appearance, OverridesWinOverThePaletteAndEveryChangeIsAnnouncedOnce) {
    auto* appearance = Appearance::shared();
    QSignalSpy changes(appearance, &Appearance::changed);
    auto original = QGuiApplication::palette();
    QPalette dark(QColor(30, 30, 30));
    dark.setColor(QPalette::Highlight, QColor(200, 50, 50));
    QGuiApplication::setPalette(dark);
    EXPECT_TRUE(appearance->colorScheme() == ColorScheme::dark &&
                appearance->accentColor() == QColor(200, 50, 50));
    EXPECT_EQ(changes.count(), 1);
    appearance->setColorSchemeOverride(ColorScheme::light);
    for (int twice = 0; twice < 2; ++twice) appearance->setAccentColorOverride(QColor(0, 146, 217));
    EXPECT_TRUE(appearance->colorScheme() == ColorScheme::light &&
                appearance->accentColor() == QColor(0, 146, 217));
    EXPECT_EQ(changes.count(), 3);
    appearance->setColorSchemeOverride(std::nullopt);
    appearance->setAccentColorOverride(std::nullopt);
    QGuiApplication::setPalette(original);
}

TEST(Appearance, FollowsTheDesktopsPreferenceOverThePaletteUntilToldNotTo) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    bus_testing::StubPortal portal(bus.address, 1);
    ASSERT_TRUE(portal.ready);
    auto* appearance = Appearance::shared();
    auto original = QGuiApplication::palette();
    QGuiApplication::setPalette(QPalette(QColor(240, 240, 240)));
    QSignalSpy changes(appearance, &Appearance::changed);

    appearance->followDesktop(platform::xdg::DesktopColorScheme::open(nullptr, nullptr, bus.address));
    // The portal's answer comes when it answers, announced like any change.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5; }, 10000));
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::dark);
    EXPECT_GE(changes.count(), 1);
    changes.clear();
    // Texts in the palette's colours stay readable on the dark scheme; the accent stays.
    EXPECT_GT(QGuiApplication::palette().color(QPalette::WindowText).lightnessF(), 0.5);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Highlight), original.color(QPalette::Highlight));
    // A change on the desktop reaches the main thread as one announcement.
    portal.change("org.freedesktop.appearance", "color-scheme", 2);
    EXPECT_TRUE(changes.wait(10000));
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::light);
    portal.change("org.freedesktop.appearance", "color-scheme", 1);
    EXPECT_TRUE(changes.wait(10000));
    appearance->setColorSchemeOverride(ColorScheme::light);
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::light);
    appearance->setColorSchemeOverride(std::nullopt);
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::dark);

    appearance->followDesktop(nullptr);
    EXPECT_EQ(appearance->colorScheme(), ColorScheme::light);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window), QColor(240, 240, 240));
    QGuiApplication::setPalette(original);
}
