#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Velmora/tracking/TrackingTesting.h"
#include "tests/support/DesktopHarness.h"

using Velmora::OnboardingPage2ViewModel;
using Strings = std::vector<std::string>;

namespace {

// System Settings and Mail run; Chrome, Safari and Spotify are installed but not Firefox.
constexpr const char* desktopJSON = R"({"accessibilityTrusted": false, "applications": [
    {"pid": 501, "name": "System Settings", "bundleIdentifier": "com.apple.systempreferences",
     "bundle": "/System/Applications/System Settings.app", "windows": [{"title": "Privacy", "frame": [0, 0, 600, 500]}]},
    {"pid": 502, "name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/System/Applications/Mail.app",
     "active": true, "windows": [{"title": "Inbox", "frame": [50, 50, 800, 600]}]}],
  "installed": [
    {"name": "Google Chrome", "bundleIdentifier": "com.google.Chrome", "bundle": "/Applications/Google Chrome.app"},
    {"name": "Safari", "bundleIdentifier": "com.apple.Safari", "bundle": "/Applications/Safari.app"},
    {"name": "Spotify", "bundleIdentifier": "com.spotify.client", "bundle": "/Applications/Spotify.app"}]})";
const Strings completionSteps{"terminate", "registerLoginItem", "hideOtherApplications", "activate"};

class PermissionPage : public ::testing::Test {
protected:
    explicit PermissionPage(const std::string& json = desktopJSON)
        : harness(json, test_support::Background::runsAtOnce) {}

    std::shared_ptr<OnboardingPage2ViewModel> makeModel() {
        return Brindle::make<OnboardingPage2ViewModel>(
            OnboardingPage2ViewModel::Services{harness.settings, dock, harness.manager});
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
    Strings pinned() const {
        Strings titles;
        for (const auto& task : harness.settings->pinnedApplications.value()) titles.push_back(task->title);
        return titles;
    }

    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness;
    platform::testing::VirtualMainLoop& loop = harness.loop;
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = harness.desktop;
    int dockCommands = 0;
    std::shared_ptr<Velmora::DockManager> dock =
        Brindle::make<Velmora::DockManager>([this](const std::string&) {
            ++dockCommands;
            return std::string();
        });

private:
    std::size_t othersWatching_ = observers();
};

}  // namespace

TEST_F(PermissionPage, StartsMissingAndWatchesFromTheNextTurnUntilItGoesAway) {
    auto model = makeModel();
    EXPECT_TRUE(model->showPermissionButton.value());
    EXPECT_FALSE(model->showNextButton.value());
    EXPECT_EQ(model->nextButtonTitle.value(), "Done!");
    EXPECT_EQ(watchCount(), 0u);
    loop.runUntilIdle();
    EXPECT_EQ(watchCount(), 1u);

    // Still missing: the page rewrites its missing state and goes on watching.
    notify();
    loop.advance(0.1);
    loop.runUntilIdle();
    EXPECT_TRUE(model->showPermissionButton.value());
    EXPECT_FALSE(model->showNextButton.value());
    EXPECT_EQ(model->title.value(), "Permission required");
    EXPECT_EQ(watchCount(), 1u);
    EXPECT_EQ(dockCommands, 0);
    model.reset();
    EXPECT_EQ(watchCount(), 0u);
}

TEST_F(PermissionPage, AGrantShowsSuccessAndRunsTheCompletionStepsOnceInOrder) {
    auto model = makeModel();
    loop.runUntilIdle();
    harness.updates = 0;
    desktop->clearActions();

    desktop->setAccessibilityTrusted(true);
    loop.advance(0.05);
    notify();  // a second test on its way must not complete again
    loop.advance(0.04);
    EXPECT_FALSE(model->showNextButton.value()) << "tested 0.1 s after the notification";
    loop.advance(0.02);
    EXPECT_TRUE(model->showNextButton.value());
    EXPECT_EQ(watchCount(), 0u) << "the watch ends with the first grant";
    loop.runUntilIdle();
    EXPECT_FALSE(model->showPermissionButton.value());
    EXPECT_EQ(model->title.value(), "All required permissions are fixed.");
    EXPECT_EQ(dockCommands, 5) << "the Dock is hidden";
    EXPECT_EQ(harness.updates, 1);
    EXPECT_TRUE(pinned().empty());
    loop.advance(0.29);
    EXPECT_TRUE(desktop->actionNames().empty()) << "the completion waits 0.3 s";

    // Hiding the others and coming to the front follow on the next turn; later notifications change nothing.
    loop.advance(0.02);
    notify();
    loop.advance(1.0);
    EXPECT_EQ(desktop->actionNames(), completionSteps);
    EXPECT_EQ(desktop->actions()[0].details.value("bundleIdentifier", ""), "com.apple.systempreferences");
    EXPECT_EQ(pinned(), (Strings{"Google Chrome", "Spotify", "Mail"}));
    auto activate = desktop->actions()[3].details;
    EXPECT_EQ(activate.value("bundleIdentifier", ""), "com.velmora.Velmora");
    EXPECT_EQ(activate.value("options", 0), 2);
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
    harness.settings->loadPinned({tracking_testing::url("file:///Applications/Safari.app/")});
    auto model = makeModel();
    loop.runUntilIdle();
    desktop->clearActions();
    testing::internal::CaptureStdout();
    model->completeOnboarding();
    loop.runUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation not permitted\n");
    EXPECT_EQ(pinned(), Strings{"Safari"});
    EXPECT_EQ(desktop->actionNames(), completionSteps);
}
