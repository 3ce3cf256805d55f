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
