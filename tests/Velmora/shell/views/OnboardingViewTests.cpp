#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "Brindle/widgets/AnimationComponent.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/views/NeumorphicButton.h"
#include "Velmora/shell/views/OnboardingPage2.h"
#include "Velmora/shell/views/OnboardingView.h"
#include "Velmora/shell/views/OnboardingWindow.h"
#include "Velmora/shell/views/SettingsView.h"
#include "platform/base/Process.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/tracking/TrackingTesting.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/SnapshotSheet.h"

using Velmora::NeumorphicButton;
using Velmora::OnboardingPage2ViewModel;
using Strings = std::vector<std::string>;

namespace {

// System Settings and Mail run; Chrome, Safari and Spotify are installed but not Firefox. The
// system refuses the login item.
constexpr const char* desktopJSON = R"({"accessibilityTrusted": false,
  "loginItem": {"registerError": "Operation not permitted"}, "applications": [
    {"pid": 501, "name": "System Settings", "bundleIdentifier": "com.apple.systempreferences",
     "windows": [{"frame": [0, 0, 600, 500]}]},
    {"pid": 502, "name": "Mail", "bundleIdentifier": "com.apple.mail", "active": true,
     "windows": [{"frame": [50, 50, 800, 600]}]}],
  "installed": [{"name": "Google Chrome", "bundleIdentifier": "com.google.Chrome"},
    {"name": "Safari", "bundleIdentifier": "com.apple.Safari"},
    {"name": "Spotify", "bundleIdentifier": "com.spotify.client"}]})";

// The onboarding window over that desktop; what its window reports and the exits it asks for are
// recorded.
class OnboardingTest : public ::testing::Test {
protected:
    OnboardingTest() {
        platform::setExitInterceptor([this](int status) { exits.push_back(status); });
    }
    ~OnboardingTest() override {
        if (window && window->isVisible()) {
            window->onClose = nullptr;
            window->close();
        }
        window.reset();
        loop.runUntilIdle();
        platform::setExitInterceptor(nullptr);
    }

    // Opens the window and lets it come to the front and its watch start.
    void open() {
        events.clear();
        window = Velmora::OnboardingWindow::open(
            [this](const std::shared_ptr<Velmora::BaseWindow>& closed) {
                events.push_back(closed.get() == window.get() ? "closed" : "closed another");
                events.push_back(view()->onboardingCompleted.value() ? "completed flag" : "no flag");
            },
            [this] { events.push_back("completed"); }, std::nullopt, services());
        loop.runUntilIdle();
    }
    OnboardingPage2ViewModel::Services services() { return {harness.settings, dock, harness.manager}; }
    Velmora::OnboardingView* view() const { return window->onboardingView(); }
    std::string buttonTitle() const {
        return view()->nextButton() ? view()->nextButton()->text().toStdString() : std::string("(none)");
    }
    void click(QWidget* widget) {
        ASSERT_TRUE(widget);
        QTest::mouseClick(widget, Qt::LeftButton);
        loop.runUntilIdle();
    }
    void grant() {
        harness.desktop->setAccessibilityTrusted(true);
        loop.advance(OnboardingPage2ViewModel::permissionTestDelay);
        loop.runUntilIdle();
    }
    static void notify() {
        platform::NotificationCenter::distributedCenter()->post(
            platform::Accessibility::trustChangedNotification);
    }
    // The permission page's own watches: an application left over from another test may watch too.
    std::size_t watches() const { return watchers() - othersWatching; }
    static std::size_t watchers() {
        return platform::NotificationCenter::distributedCenter()->observerCount(
            platform::Accessibility::trustChangedNotification);
    }
    Strings pinned() const {
        Strings titles;
        for (const auto& task : harness.settings->pinnedApplications.value()) titles.push_back(task->title);
        return titles;
    }

    test_support::DesktopHarness<platform::qt::GuiTestLoop> harness{desktopJSON,
                                                                    test_support::Background::runsAtOnce};
    platform::qt::GuiTestLoop& loop = harness.loop;
    std::shared_ptr<Velmora::DockManager> dock =
        Brindle::make<Velmora::DockManager>([](const std::string&) { return std::string(); });
    std::vector<int> exits;
    Strings events;
    std::shared_ptr<Velmora::OnboardingWindow> window;
    const std::size_t othersWatching = watchers();
};

}  // namespace

TEST_F(OnboardingTest, WelcomeThenPermissionThenDoneCompletesTheOnboardingAndClosesOnce) {
    open();
    EXPECT_TRUE(view()->page1()->isVisible());
    EXPECT_EQ(buttonTitle(), "Next");
    EXPECT_EQ(watches(), 1u);
    // The button shrinks while held and springs back; released outside, it does not click.
    NeumorphicButton* next = view()->nextButton();
    QTest::mousePress(next, Qt::LeftButton);
    loop.runUntilIdle();
    EXPECT_LT(next->scale(), 1.0);
    EXPECT_LT(next->shadowRadius(), 10.0);
    QTest::mouseRelease(next, Qt::LeftButton, {}, QPoint(-100, -100));
    loop.runUntilIdle();
    EXPECT_EQ(next->scale(), 1.0);
    EXPECT_EQ(view()->page(), 0);
    click(next);
    EXPECT_FALSE(view()->page1()->isVisible());
    EXPECT_EQ(buttonTitle(), "(none)");
    // The request asks the system to prompt; the page changes only through the notification, and
    // one that finds the permission still missing keeps it watching.
    auto* page2 = view()->page2();
    click(page2->requestButton());
    EXPECT_EQ(harness.desktop->accessibilityPromptCount(), 1);
    notify();
    loop.advance(0.1);
    loop.runUntilIdle();
    EXPECT_EQ(page2->titleLabel()->text(), "Permission required");
    EXPECT_EQ(watches(), 1u);
    EXPECT_FALSE(dock->isHidden());
    // A grant is tested 0.1 s after its notification, once however many more are on their way.
    harness.desktop->clearActions();
    harness.updates = 0;
    harness.desktop->setAccessibilityTrusted(true);
    loop.advance(0.05);
    notify();
    loop.advance(0.04);
    EXPECT_EQ(buttonTitle(), "(none)");
    loop.advance(0.02);
    EXPECT_EQ(buttonTitle(), "Done!");
    EXPECT_EQ(watches(), 0u) << "the watch ends with the first grant";
    EXPECT_EQ(page2->titleLabel()->text(), "All required permissions are fixed.");
    EXPECT_FALSE(page2->requestButton()->isVisible());
    EXPECT_TRUE(view()->nextButtonAnimation()->appeared());
    EXPECT_TRUE(dock->isHidden());
    EXPECT_EQ(harness.updates, 1);
    // The completion follows 0.3 s later: default pins, System Settings quit, the login item, then
    // on the next turn the others hidden and this program in front.
    loop.advance(0.28);
    EXPECT_TRUE(harness.desktop->actionNames().empty());
    loop.advance(0.02);
    EXPECT_EQ(harness.desktop->actionNames(),
              (Strings{"terminate", "registerLoginItem", "hideOtherApplications", "activate"}));
    EXPECT_EQ(harness.desktop->actions()[0].details.value("bundleIdentifier", ""),
              "com.apple.systempreferences");
    EXPECT_EQ(harness.desktop->actions()[3].details.value("bundleIdentifier", ""), "com.velmora.Velmora");
    EXPECT_EQ(harness.desktop->actions()[3].details.value("options", 0), 2);
    EXPECT_EQ(pinned(), (Strings{"Google Chrome", "Spotify", "Mail"}));
    // A second "Done!" before the window has closed on the next turn finds no window.
    NeumorphicButton* done = view()->nextButton();
    done->click();
    done->click();
    EXPECT_TRUE(events.empty());
    loop.runUntilIdle();
    EXPECT_EQ(events, (Strings{"closed", "completed flag", "completed"}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(view()->page(), 3);
    EXPECT_TRUE(exits.empty());
}

TEST_F(OnboardingTest, ClosingBeforeDoneEndsTheProcessWithStatusZeroAndTheWatch) {
    open();
    window->widget()->close();
    EXPECT_EQ(events, (Strings{"closed", "no flag"}));
    EXPECT_EQ(exits, std::vector<int>{0});
    window.reset();
    loop.runUntilIdle();
    EXPECT_EQ(watches(), 0u);
    // Also once the permission, granted on the welcome page, shows "Done!" at once and the
    // completion has run: it keeps stored pins and only prints a refused login item.
    harness.settings->loadPinned({tracking_testing::url("file:///Applications/Safari.app/")});
    open();
    grant();
    EXPECT_EQ(buttonTitle(), "Next");
    click(view()->nextButton());
    EXPECT_EQ(buttonTitle(), "Done!");
    testing::internal::CaptureStdout();
    loop.advance(OnboardingPage2ViewModel::completionDelay);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation not permitted\n");
    EXPECT_EQ(pinned(), Strings{"Safari"});
    window->widget()->close();
    EXPECT_EQ(events, (Strings{"closed", "no flag"}));
    EXPECT_EQ(exits, (std::vector<int>{0, 0}));
}

// The settings window's content and the onboarding's pages, side by side.
TEST_F(OnboardingTest, SnapshotWithTheSettings) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::light);
    std::vector<QImage> images;
    auto grab = [&](QWidget& widget) {
        widget.move(3000, 3000);
        widget.resize(widget.sizeHint());
        widget.show();
        loop.runUntilIdle();
        images.push_back(widget.grab().toImage());
    };
    Velmora::SettingsView settingsView(harness.settings);
    grab(settingsView);
    Velmora::OnboardingView onboarding(nullptr, services());
    grab(onboarding);
    onboarding.showNextPage();
    grab(onboarding);
    harness.desktop->setAccessibilityTrusted(true);
    loop.advance(OnboardingPage2ViewModel::permissionTestDelay);
    grab(onboarding);
    onboarding.hide();
    settingsView.hide();

    test_support::expectMatchesReference(
        test_support::snapshotSheet(images, Qt::Horizontal, 16, 16, QColor(0x80, 0x80, 0x80)),
        "shell-windows");
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
