#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/views/OnboardingView.h"
#include "Velmora/shell/views/SettingsView.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

namespace {

// Renders the settings window's content and the onboarding's pages side by side into one PNG
// under the build folder, for review by eye.
TEST(ShellSnapshots, SettingsAndOnboardingPages) {
    platform::qt::GuiTestLoop loop;
    auto queues = platform::testing::ScopedDispatchFactory::inlineQueues();
    tracking_testing::Desktop desktop{R"({"accessibilityTrusted": false})"};
    tracking_testing::FreshDefaults fresh;
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::light);
    auto settings = Brindle::make<Velmora::SettingsManager>();
    auto dock = Brindle::make<Velmora::DockManager>([](const std::string&) { return std::string(); });

    std::vector<QImage> images;
    auto grab = [&](QWidget& widget) {
        widget.move(3000, 3000);
        widget.resize(widget.sizeHint());
        widget.show();
        loop.runUntilIdle();
        images.push_back(widget.grab().toImage());
    };

    Velmora::SettingsView settingsView(settings);
    grab(settingsView);

    Velmora::OnboardingView onboarding(
        nullptr, {settings, dock, Brindle::make<Velmora::ApplicationManager>(settings)});
    grab(onboarding);
    onboarding.showNextPage();
    grab(onboarding);
    desktop.desktop->setAccessibilityTrusted(true);
    loop.advance(Velmora::OnboardingPage2ViewModel::permissionTestDelay);
    grab(onboarding);
    onboarding.hide();
    settingsView.hide();

    constexpr int gap = 16;
    int width = gap, height = 0;
    for (const auto& image : images) {
        width += image.width() + gap;
        height = std::max(height, image.height());
    }
    QImage sheet(width, height + 2 * gap, QImage::Format_ARGB32);
    sheet.fill(QColor(0x80, 0x80, 0x80));
    {
        QPainter painter(&sheet);
        int x = gap;
        for (const auto& image : images) {
            painter.drawImage(x, gap, image);
            x += image.width() + gap;
        }
    }
    QDir().mkpath(VELMORA_SNAPSHOT_DIR);
    auto path = QString::fromStdString(std::string(VELMORA_SNAPSHOT_DIR) + "/shell-windows.png");
    EXPECT_TRUE(sheet.save(path)) << path.toStdString();

    // Each page draws something of its own: the pictures differ from one another.
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].size(), QSize(400, 400));
    EXPECT_NE(images[1], images[2]);
    EXPECT_NE(images[2], images[3]);

    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
    loop.runUntilIdle();
}

}  // namespace
