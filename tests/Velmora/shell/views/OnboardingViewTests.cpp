#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/widgets/AnimationComponent.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/shell/views/NeumorphicButton.h"
#include "Velmora/shell/views/OnboardingPage2.h"
#include "Velmora/shell/views/OnboardingView.h"
#include "Velmora/shell/views/OnboardingWindow.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/Process.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/support/DesktopHarness.h"

using Velmora::BaseWindow;
using Velmora::NeumorphicButton;
using Velmora::OnboardingPage2ViewModel;
using Velmora::OnboardingView;
using Velmora::OnboardingWindow;

namespace {

// Records the status of every exit the code under test asks for.
struct ExitRecorder {
    ExitRecorder() {
        platform::setExitInterceptor([this](int status) { statuses.push_back(status); });
    }
    ~ExitRecorder() { platform::setExitInterceptor(nullptr); }
    std::vector<int> statuses;
};

class OnboardingTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (window && window->isVisible()) {
            window->onClose = nullptr;
            window->close();
        }
        window.reset();
        loop.runUntilIdle();
    }

    OnboardingPage2ViewModel::Services services() {
        return {settings, Brindle::make<Velmora::DockManager>([this](const std::string& command) {
                    dockCommands.push_back(command);
                    return std::string();
                }),
                harness.manager};
    }

    // Opens the window and lets it come to the front and its watch start.
    void open() {
        window = OnboardingWindow::open(
            [this](const std::shared_ptr<BaseWindow>& closedWindow) {
                events.push_back(closedWindow.get() == window.get() ? "closed" : "closed another");
                events.push_back(view()->onboardingCompleted.value() ? "completed flag" : "no flag");
            },
            [this] { events.push_back("completed"); }, std::nullopt, services());
        loop.runUntilIdle();
    }
    OnboardingView* view() const { return window->onboardingView(); }
    std::string buttonTitle() const {
        return view()->nextButton() ? view()->nextButton()->text().toStdString() : std::string("(none)");
    }
    void grant() {
        desktop->setAccessibilityTrusted(true);
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
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = harness.desktop;
    std::shared_ptr<Velmora::SettingsManager>& settings = harness.settings;
    std::vector<std::string> dockCommands;
    ExitRecorder exits;
    std::vector<std::string> events;
    std::shared_ptr<OnboardingWindow> window;
};

}  // namespace

TEST_F(OnboardingTest, WelcomeThenPermissionThenDoneCompletesAndCloses) {
    open();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(view()->page1()->isVisible());
    EXPECT_EQ(buttonTitle(), "Next");

    click(view()->nextButton());
    EXPECT_FALSE(view()->page1()->isVisible());
    EXPECT_EQ(view()->currentViewModel(), view()->viewModel2());
    EXPECT_EQ(buttonTitle(), "(none)");
    auto* page2 = view()->page2();
    EXPECT_EQ(page2->titleLabel()->text(), "Permission required");

    // The request asks the system to prompt; the page changes only through the notification.
    click(page2->requestButton());
    EXPECT_EQ(desktop->accessibilityPromptCount(), 1);
    EXPECT_EQ(page2->titleLabel()->text(), "Permission required");

    grant();
    EXPECT_EQ(page2->titleLabel()->text(), "All required permissions are fixed.");
    EXPECT_FALSE(page2->requestButton()->isVisible());
    EXPECT_EQ(buttonTitle(), "Done!");
    EXPECT_TRUE(view()->nextButtonAnimation()->appeared());
    EXPECT_TRUE(events.empty());

    click(view()->nextButton());
    EXPECT_EQ((std::vector<std::string>{"closed", "completed flag", "completed"}), events);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(view()->page(), 2);
    EXPECT_TRUE(exits.statuses.empty());
}

TEST_F(OnboardingTest, APermissionGrantedOnTheWelcomePageShowsTheGrantedPageAtOnce) {
    open();
    grant();
    EXPECT_EQ(buttonTitle(), "Next");
    click(view()->nextButton());
    EXPECT_EQ(view()->page(), 1);
    EXPECT_EQ(buttonTitle(), "Done!");
    EXPECT_EQ(view()->page2()->titleLabel()->text(), "All required permissions are fixed.");
}

TEST_F(OnboardingTest, ClosingBeforeDoneEndsTheProcessWithStatusZero) {
    open();
    window->widget()->close();
    EXPECT_EQ((std::vector<std::string>{"closed", "no flag"}), events);
    EXPECT_EQ(exits.statuses, std::vector<int>{0});

    // Also once the permission was granted and the completion has run.
    events.clear();
    exits.statuses.clear();
    open();
    click(view()->nextButton());
    grant();
    loop.advance(OnboardingPage2ViewModel::completionDelay);
    window->widget()->close();
    EXPECT_EQ((std::vector<std::string>{"closed", "no flag"}), events);
    EXPECT_EQ(exits.statuses, std::vector<int>{0});
}

TEST_F(OnboardingTest, ASecondDoneBeforeTheWindowHasClosedFindsNoWindow) {
    open();
    grant();
    click(view()->nextButton());
    NeumorphicButton* done = view()->nextButton();
    done->click();
    done->click();
    EXPECT_EQ(view()->page(), 3);
    EXPECT_TRUE(events.empty()) << "the window closes on the next turn";
    loop.runUntilIdle();
    EXPECT_EQ((std::vector<std::string>{"closed", "completed flag", "completed"}), events);
    EXPECT_TRUE(exits.statuses.empty());
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
