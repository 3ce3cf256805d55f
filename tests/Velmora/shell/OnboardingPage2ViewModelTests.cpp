#include <gtest/gtest.h>

#include <algorithm>

#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/SessionSystem.h"

using Velmora::OnboardingPage2ViewModel;

// The permission page without its view, so that its watch, its timers and its completion also run
// under the sanitizers; the onboarding window's tests check what the user sees.
TEST(PermissionPage, WatchesUntilTheGrantThenCompletesOnceAndEndsItsWatch) {
    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness{
        R"({"accessibilityTrusted": false, "applications": [{"pid": 501, "name": "System Settings",
            "bundleIdentifier": "com.apple.systempreferences", "windows": [{"frame": [0, 0, 600, 500]}]}]})",
        test_support::Background::runsAtOnce};
    auto center = platform::NotificationCenter::distributedCenter();
    auto watchers = [&] { return center->observerCount(platform::Accessibility::trustChangedNotification); };
    auto notify = [&] { center->post(platform::Accessibility::trustChangedNotification); };
    const auto others = watchers();
    int dockCommands = 0;
    auto dock = Brindle::make<Velmora::DockManager>([&](const std::string&) {
        ++dockCommands;
        return std::string();
    });
    auto model = Brindle::make<OnboardingPage2ViewModel>(
        OnboardingPage2ViewModel::Services{harness.settings, dock, harness.manager});
    EXPECT_EQ(watchers() - others, 0u) << "the watch starts on the next turn";
    harness.loop.runUntilIdle();
    EXPECT_EQ(watchers() - others, 1u);

    notify();
    harness.loop.advance(1.0);
    EXPECT_TRUE(model->showPermissionButton.value()) << "still missing";
    EXPECT_EQ(dockCommands, 0);

    harness.desktop->clearActions();
    harness.desktop->setAccessibilityTrusted(true);
    notify();
    harness.loop.advance(OnboardingPage2ViewModel::permissionTestDelay / 2);
    notify();
    harness.loop.advance(1.0);
    EXPECT_TRUE(model->showNextButton.value());
    EXPECT_EQ(watchers() - others, 0u) << "the first grant ends the watch";
    EXPECT_EQ(dockCommands, 5) << "the Dock is hidden once";
    auto names = harness.actionNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "registerLoginItem"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "activate"), 1);
    model.reset();
    harness.loop.runUntilIdle();
}

TEST(PermissionPage, OnALinuxDesktopTheTextSaysWhatTheButtonRecords) {
    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness{
        R"({"accessibilityTrusted": false})"};
    auto services = OnboardingPage2ViewModel::Services{harness.settings, nullptr, harness.manager};
    auto simulated = Brindle::make<OnboardingPage2ViewModel>(services)->message.value();
    EXPECT_NE(simulated.find("Accessability framework"), std::string::npos);
    std::string desktopText;
    {
        platform::ScopedSystem onLinux(std::make_shared<test_support::SessionSystem>(harness.desktop));
        auto model = Brindle::make<OnboardingPage2ViewModel>(services);
        model->setPermissionRequired(true);
        desktopText = model->message.value();
    }
    for (const char* foreign : {"macOS", "Accessability", "toggle"})
        EXPECT_EQ(desktopText.find(foreign), std::string::npos) << foreign;
    for (const char* said : {"consent", "windows of other programs", "until you remove", "x11-consent"})
        EXPECT_NE(desktopText.find(said), std::string::npos) << said;
    harness.loop.runUntilIdle();
}
