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
#include "tests/support/DesktopHarness.h"
#include "tests/support/SnapshotSheet.h"

using Velmora::NeumorphicButton;
using Velmora::OnboardingPage2ViewModel;
using Strings = std::vector<std::string>;

namespace {

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

    OnboardingPage2ViewModel::Services services() {
        return {harness.settings, Brindle::make<Velmora::DockManager>([](auto&) { return std::string(); }),
                harness.manager};
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
    Velmora::OnboardingView* view() const { return window->onboardingView(); }
    std::string buttonTitle() const {
        return view()->nextButton() ? view()->nextButton()->text().toStdString() : std::string("(none)");
    }
    void grant() {
        harness.desktop->setAccessibilityTrusted(true);
        loop.advance(OnboardingPage2ViewModel::permissionTestDelay);
        loop.runUntilIdle();
    }
    void click(QWidget* widget) {
        ASSERT_TRUE(widget);
        QTest::mouseClick(widget, Qt::LeftButton);
        loop.runUntilIdle();
    }

    test_support::DesktopHarness<platform::qt::GuiTestLoop> harness{R"({"accessibilityTrusted": false})",
                                                                    test_support::Background::runsAtOnce};
    platform::qt::GuiTestLoop& loop = harness.loop;
    std::vector<int> exits;
    Strings events;
    std::shared_ptr<Velmora::OnboardingWindow> window;
};

}  // namespace

TEST_F(OnboardingTest, WelcomeThenPermissionThenDoneCompletesAndClosesOnce) {
    open();
    EXPECT_TRUE(view()->page1()->isVisible());
    EXPECT_EQ(buttonTitle(), "Next");
    click(view()->nextButton());
    EXPECT_FALSE(view()->page1()->isVisible());
    EXPECT_EQ(view()->currentViewModel(), view()->viewModel2());
    EXPECT_EQ(buttonTitle(), "(none)");
    // The request asks the system to prompt; the page changes only through the notification.
    auto* page2 = view()->page2();
    click(page2->requestButton());
    EXPECT_EQ(harness.desktop->accessibilityPromptCount(), 1);
    EXPECT_EQ(page2->titleLabel()->text(), "Permission required");
    grant();
    EXPECT_EQ(page2->titleLabel()->text(), "All required permissions are fixed.");
    EXPECT_FALSE(page2->requestButton()->isVisible());
    EXPECT_EQ(buttonTitle(), "Done!");
    EXPECT_TRUE(view()->nextButtonAnimation()->appeared());

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

TEST_F(OnboardingTest, ClosingBeforeDoneEndsTheProcessWithStatusZero) {
    open();
    window->widget()->close();
    EXPECT_EQ(events, (Strings{"closed", "no flag"}));
    EXPECT_EQ(exits, std::vector<int>{0});

    // Also once the permission, granted on the welcome page, shows "Done!" at once and the completion has
    // run.
    open();
    grant();
    EXPECT_EQ(buttonTitle(), "Next");
    click(view()->nextButton());
    EXPECT_EQ(buttonTitle(), "Done!");
    loop.advance(OnboardingPage2ViewModel::completionDelay);
    window->widget()->close();
    EXPECT_EQ(events, (Strings{"closed", "no flag"}));
    EXPECT_EQ(exits, (std::vector<int>{0, 0}));
}

TEST_F(OnboardingTest, TheButtonShrinksWhileHeldAndSpringsBack) {
    open();
    NeumorphicButton* next = view()->nextButton();
    QTest::mousePress(next, Qt::LeftButton);
    loop.runUntilIdle();
    EXPECT_LT(next->scale(), 1.0);
    EXPECT_LT(next->shadowRadius(), 10.0);
    QTest::mouseRelease(next, Qt::LeftButton, {}, QPoint(-100, -100));
    loop.runUntilIdle();
    EXPECT_EQ(next->scale(), 1.0);
    EXPECT_EQ(view()->page(), 0) << "released outside: no click";
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
