#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>

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
