#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Velmora/tracking/TrackingTesting.h"
#include "tests/support/DesktopHarness.h"

using Velmora::OnboardingPage2ViewModel;

namespace {

// System Settings and Mail run; Chrome, Safari and Spotify are installed but not Firefox.
constexpr const char* desktopJSON = R"({
  "accessibilityTrusted": false,
  "applications": [
    {"pid": 501, "name": "System Settings", "bundleIdentifier": "com.apple.systempreferences",
     "bundle": "/System/Applications/System Settings.app",
     "windows": [{"title": "Privacy & Security", "frame": [100, 100, 600, 500]}]},
    {"pid": 502, "name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/System/Applications/Mail.app",
     "active": true, "windows": [{"title": "Inbox", "frame": [50, 50, 800, 600]}]}
  ],
  "installed": [
    {"name": "Google Chrome", "bundleIdentifier": "com.google.Chrome", "bundle": "/Applications/Google Chrome.app"},
    {"name": "Safari", "bundleIdentifier": "com.apple.Safari", "bundle": "/Applications/Safari.app"},
    {"name": "Spotify", "bundleIdentifier": "com.spotify.client", "bundle": "/Applications/Spotify.app"}
  ]})";

class PermissionPage : public ::testing::Test {
protected:
    explicit PermissionPage(const std::string& json = desktopJSON)
        : harness(json, test_support::Background::runsAtOnce) {}

    std::shared_ptr<OnboardingPage2ViewModel> makeModel() {
        auto model = Brindle::make<OnboardingPage2ViewModel>(
            OnboardingPage2ViewModel::Services{settings, dock, applications});
        loop.runUntilIdle();
        return model;
    }
    // The page's own watches: an application left over from another test may watch too.
    std::size_t watchCount() const { return observers() - othersWatching_; }
    static std::size_t observers() {
        return platform::NotificationCenter::distributedCenter()->observerCount(
            platform::Accessibility::trustChangedNotification);
    }
    static void notify() {
        platform::NotificationCenter::distributedCenter()->post(
            platform::Accessibility::trustChangedNotification);
    }
    std::vector<std::string> actionNames() const { return desktop->actionNames(); }
    std::vector<std::string> pinned() const {
        std::vector<std::string> titles;
        for (const auto& task : settings->pinnedApplications.value()) titles.push_back(task->title);
        return titles;
    }

    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness;
    platform::testing::VirtualMainLoop& loop = harness.loop;
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = harness.desktop;
    std::shared_ptr<Velmora::SettingsManager>& settings = harness.settings;
    std::shared_ptr<Velmora::ApplicationManager>& applications = harness.manager;
    std::vector<std::string> dockCommands;
    std::shared_ptr<Velmora::DockManager> dock =
        Brindle::make<Velmora::DockManager>([this](const std::string& command) {
            dockCommands.push_back(command);
            return std::string();
        });

private:
    std::size_t othersWatching_ = observers();
};

}  // namespace

TEST_F(PermissionPage, StartsMissingAndWatchesFromTheNextTurn) {
    auto model = Brindle::make<OnboardingPage2ViewModel>(
        OnboardingPage2ViewModel::Services{settings, dock, applications});
    EXPECT_TRUE(model->showPermissionButton.value());
    EXPECT_FALSE(model->showNextButton.value());
    EXPECT_EQ(model->nextButtonTitle.value(), "Done!");
    EXPECT_EQ(model->title.value(), "Permission required");
    EXPECT_EQ(watchCount(), 0u);
    loop.runUntilIdle();
    EXPECT_EQ(watchCount(), 1u);

    // Still missing: the page rewrites its missing state and goes on watching.
    notify();
    loop.advance(0.1);
    loop.runUntilIdle();
    EXPECT_TRUE(model->showPermissionButton.value());
    EXPECT_FALSE(model->showNextButton.value());
    EXPECT_EQ(watchCount(), 1u);
    EXPECT_TRUE(dockCommands.empty());

    // A page that goes away ends its watch.
    model.reset();
    EXPECT_EQ(watchCount(), 0u);
}

TEST_F(PermissionPage, AGrantShowsSuccessAndRunsTheCompletionStepsInOrder) {
    auto model = makeModel();
    harness.updates = 0;
    desktop->clearActions();

    desktop->setAccessibilityTrusted(true);
    loop.advance(0.09);
    EXPECT_FALSE(model->showNextButton.value()) << "tested 0.1 s after the notification";
    loop.advance(0.02);
    EXPECT_TRUE(model->showNextButton.value());
    EXPECT_EQ(watchCount(), 0u) << "the watch ends with the first grant";
    loop.runUntilIdle();
    EXPECT_FALSE(model->showPermissionButton.value());
    EXPECT_EQ(model->title.value(), "All required permissions are fixed.");
    EXPECT_EQ(dockCommands.size(), 5u) << "the Dock is hidden";
    EXPECT_EQ(harness.updates, 1);
    EXPECT_TRUE(actionNames().empty());
    EXPECT_TRUE(pinned().empty());

    loop.advance(0.29);
    EXPECT_TRUE(actionNames().empty()) << "the completion waits 0.3 s";
    loop.advance(0.02);
    // Hiding the others and coming to the front follow on the next turn.
    EXPECT_EQ(actionNames(), (std::vector<std::string>{"terminate", "registerLoginItem",
                                                       "hideOtherApplications", "activate"}));
    EXPECT_EQ(desktop->actions()[0].details.value("bundleIdentifier", ""), "com.apple.systempreferences");
    EXPECT_EQ(pinned(), (std::vector<std::string>{"Google Chrome", "Spotify", "Mail"}));
    auto activate = desktop->actions()[3].details;
    EXPECT_EQ(activate.value("bundleIdentifier", ""), "com.velmora.Velmora");
    EXPECT_EQ(activate.value("options", 0), 2);

    // Granted stays granted: later notifications change nothing.
    notify();
    loop.advance(1.0);
    EXPECT_EQ(actionNames().size(), 4u);
}

TEST_F(PermissionPage, NotificationsInQuickSuccessionCompleteOnce) {
    auto model = makeModel();
    desktop->setAccessibilityTrusted(true);
    notify();
    loop.advance(0.05);
    notify();
    loop.advance(1.0);
    auto names = actionNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "registerLoginItem"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "hideOtherApplications"), 1);
}

class RefusedLoginItem : public PermissionPage {
protected:
    RefusedLoginItem() : PermissionPage(refusing()) {}
    static std::string refusing() {
        auto json = nlohmann::json::parse(desktopJSON);
        json["loginItem"] = {{"registerError", "Operation not permitted"}};
        return json.dump();
    }
};

TEST_F(RefusedLoginItem, StoredPinsStayAndARefusedLoginItemIsOnlyPrinted) {
    settings->loadPinned({tracking_testing::url("file:///Applications/Safari.app/")});
    auto model = makeModel();
    desktop->clearActions();
    testing::internal::CaptureStdout();
    model->completeOnboarding();
    loop.runUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation not permitted\n");
    EXPECT_EQ(pinned(), std::vector<std::string>{"Safari"});
    EXPECT_EQ(actionNames(), (std::vector<std::string>{"terminate", "registerLoginItem",
                                                       "hideOtherApplications", "activate"}));
}
