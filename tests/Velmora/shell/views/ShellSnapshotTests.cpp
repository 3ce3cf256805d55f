#include <gtest/gtest.h>

#include <QImage>
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
#include "tests/support/DesktopHarness.h"
#include "tests/support/SnapshotSheet.h"

namespace {

// The settings window's content and the onboarding's pages, side by side.
TEST(ShellSnapshots, SettingsAndOnboardingPages) {
    test_support::DesktopHarness<platform::qt::GuiTestLoop> harness{R"({"accessibilityTrusted": false})",
                                                                    test_support::Background::runsAtOnce};
    auto& loop = harness.loop;
    auto settings = harness.settings;
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::light);
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

    Velmora::OnboardingView onboarding(nullptr, {settings, dock, harness.manager});
    grab(onboarding);
    onboarding.showNextPage();
    grab(onboarding);
    harness.desktop->setAccessibilityTrusted(true);
    loop.advance(Velmora::OnboardingPage2ViewModel::permissionTestDelay);
    grab(onboarding);
    onboarding.hide();
    settingsView.hide();

    test_support::expectMatchesReference(
        test_support::snapshotSheet(images, Qt::Horizontal, 16, 16, QColor(0x80, 0x80, 0x80)),
        "shell-windows");

    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
    loop.runUntilIdle();
}

}  // namespace
