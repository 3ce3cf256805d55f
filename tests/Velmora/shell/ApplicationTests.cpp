#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Velmora/settings/EventManager.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/shell/AppDelegate.h"
#include "Velmora/shell/AppState.h"
#include "Velmora/shell/Application.h"
#include "Velmora/shell/DockManager.h"
#include "platform/base/Process.h"
#include "platform/system/Alert.h"
#include "platform/system/Screen.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"

using Velmora::Application;
using Velmora::WindowController;

namespace {

platform::Screen screen(std::string id, double x, double scale = 1.0) {
    platform::Screen screen;
    screen.identifier = id;
    screen.frame = platform::Rect::make(x, 0, 1440, 900);
    screen.visibleFrame = platform::Rect::make(x, 0, 1440, 875);
    screen.backingScaleFactor = scale;
    return screen;
}

// Stands in for any of the application's windows; tells the test what happens to it.
struct FakeWindow {
    FakeWindow(std::string name, std::vector<std::string>* events,
               std::function<void(const void*)> closed = nullptr)
        : name(std::move(name)), events(events), closed(std::move(closed)) {}
    void close() {
        events->push_back("close " + name);
        if (closed) closed(this);
    }
    std::string name;
    std::vector<std::string>* events;
    std::function<void(const void*)> closed;
};

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() {
        platform::Screens::update({screen("A", 0), screen("B", 1440, 2.0)});
        platform::setExitInterceptor(
            [this](int status) { events.push_back("exit " + std::to_string(status)); });
    }
    ~ApplicationTest() override {
        platform::setExitInterceptor(nullptr);
        platform::Screens::update({});
    }

    Application::Services services() {
        Application::Services services;
        services.updateManager = updates;
        services.dockManager = dock;
        services.applicationManager = applications;
        services.eventManager = eventBus;
        services.startMouseManager = [] {};
        services.makeTaskbar = [this](const platform::Screen& screen,
                                      const std::shared_ptr<Application>& owner) {
            EXPECT_TRUE(owner);
            events.push_back("bar " + screen.identifier);
            return WindowController::of(std::make_shared<FakeWindow>("bar " + screen.identifier, &events));
        };
        services.openSettings = [this](std::function<void(const void*)> closed) {
            events.push_back("settings");
            return WindowController::of(std::make_shared<FakeWindow>("settings", &events, std::move(closed)));
        };
        services.openOnboarding = [this](std::function<void(const void*)> closed,
                                         std::function<void()> completed) {
            events.push_back("onboarding");
            onboardingCompleted = std::move(completed);
            return WindowController::of(
                std::make_shared<FakeWindow>("onboarding", &events, std::move(closed)));
        };
        return services;
    }

    void start() {
        delegate = Brindle::make<Velmora::AppDelegate>(services());
        application = delegate->application;
    }

    template <class State>
    bool isIn() const {
        return std::dynamic_pointer_cast<State>(application->currentState()) != nullptr;
    }
    std::vector<std::string> takeEvents() { return std::exchange(events, {}); }
    std::vector<std::string> windowNames() const {
        std::vector<std::string> names;
        for (const auto& entry : application->windowControllers())
            names.push_back(static_cast<FakeWindow*>(entry.window.get())->name);
        return names;
    }
    void requireUpdate(std::string url) {
        Velmora::UpdateResponse response;
        response.required.title = "Update required";
        response.required.text = "This version is no longer supported.";
        response.required.url = std::move(url);
        updates->setUpdateInfo(response);
        updates->requiresUpdate.accept(true);
    }

    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness{
        R"({"accessibilityTrusted": true})", test_support::Background::runsAtOnce};
    platform::testing::VirtualMainLoop& loop = harness.loop;
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = harness.desktop;
    std::vector<std::string> events;
    std::shared_ptr<Velmora::DockManager> dock =
        Brindle::make<Velmora::DockManager>([this](const std::string&) {
            events.push_back("dock command");
            return std::string();
        });
    std::shared_ptr<Velmora::UpdateManager> updates =
        Brindle::make<Velmora::UpdateManager>("http://127.0.0.1:9");
    std::shared_ptr<Velmora::ApplicationManager>& applications = harness.manager;
    std::shared_ptr<Velmora::EventManager> eventBus = Brindle::make<Velmora::EventManager>();
    std::function<void()> onboardingCompleted;
    std::shared_ptr<Velmora::AppDelegate> delegate;
    std::shared_ptr<Application> application;
};

int count(const std::vector<std::string>& events, const std::string& event) {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

}  // namespace

TEST_F(ApplicationTest, TrustedStartBuildsOneBarPerScreenAndHidesTheDockOnce) {
    start();
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    EXPECT_EQ(Application::current(), application);
    EXPECT_EQ((std::vector<std::string>{"bar A", "bar B"}), windowNames());
    EXPECT_EQ(harness.updates, 1);
    EXPECT_TRUE(dock->isHidden());
    auto names = desktop->actionNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "setActivationPolicy"), names.end());
    auto idle = std::dynamic_pointer_cast<Velmora::AppStateIdle>(application->currentState());
    EXPECT_EQ((std::vector<double>{1.0, 2.0}), idle->detectedDpis);
    EXPECT_EQ(idle->detectedScreens[1], platform::Rect::make(1440, 0, 1440, 875));

    // A rebuild hides nothing again.
    const int hidingCommands = count(events, "dock command");
    EXPECT_GT(hidingCommands, 0);
    takeEvents();
    platform::Screens::update({screen("A", 0)});
    loop.advance(1.0);
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "bar A"}), takeEvents());
    EXPECT_EQ((std::vector<std::string>{"bar A"}), windowNames());
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
}

TEST_F(ApplicationTest, ScreenCheckRebuildsOnFrameScaleOrOrderChangeOnly) {
    start();
    takeEvents();
    loop.advance(5.0);
    EXPECT_TRUE(takeEvents().empty());

    platform::Screens::update({screen("A", 0), screen("B", 1440, 1.0)});
    loop.advance(0.999);
    EXPECT_TRUE(events.empty());
    loop.advance(0.001);
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "bar A", "bar B"}), takeEvents());

    // The same frames in another order are a change too.
    platform::Screens::update({screen("B", 1440, 1.0), screen("A", 0)});
    loop.advance(1.0);
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "bar B", "bar A"}), takeEvents());

    // The left state's timer stops: only the new one rebuilds, once.
    auto changed = screen("B", 1440, 1.0);
    changed.visibleFrame.size.height = 850;
    platform::Screens::update({changed, screen("A", 0)});
    loop.advance(3.0);
    EXPECT_EQ(2, count(events, "bar B") + count(events, "bar A"));
}

TEST_F(ApplicationTest, WithoutPermissionTheOnboardingLeadsToTheBars) {
    desktop->setAccessibilityTrusted(false);
    start();
    EXPECT_TRUE(isIn<Velmora::AppStateOnboarding>());
    EXPECT_EQ((std::vector<std::string>{"onboarding"}), windowNames());
    EXPECT_FALSE(dock->isHidden());

    // The window closes first (forgetting itself), then the completion moves on.
    application->windowControllers()[0].close();
    EXPECT_TRUE(application->windowControllers().empty());
    desktop->setAccessibilityTrusted(true);
    onboardingCompleted();
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    EXPECT_EQ((std::vector<std::string>{"bar A", "bar B"}), windowNames());

    // Quitting while the bars show restores the Dock before the process ends.
    takeEvents();
    eventBus->exit.onNext(rx::Unit{});
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "exit 0");
    EXPECT_GT(count(events, "dock command"), 0);
    EXPECT_EQ(1, count(events, "close bar A"));
}

TEST_F(ApplicationTest, LosingThePermissionReturnsToTheOnboardingAfterATenthOfASecond) {
    start();
    takeEvents();
    // A notification while the permission stays changes nothing.
    desktop->setAccessibilityTrusted(true);
    platform::NotificationCenter::distributedCenter()->post(
        platform::Accessibility::trustChangedNotification);
    loop.advance(1.0);
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());

    desktop->setAccessibilityTrusted(false);
    loop.advance(0.09);
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    loop.advance(0.01);
    EXPECT_TRUE(isIn<Velmora::AppStateOnboarding>());
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "onboarding"}), takeEvents());
    EXPECT_EQ((std::vector<std::string>{"onboarding"}), windowNames());
    // The Dock stays hidden meanwhile.
    EXPECT_TRUE(dock->isHidden());
}

TEST_F(ApplicationTest, RequiredUpdateShowsTheAlertThenDownloadsAndEnds) {
    std::vector<platform::Alert> alerts;
    platform::Alert::ScopedResponder responder([&](const platform::Alert& alert) {
        alerts.push_back(alert);
        events.push_back("alert");
        return platform::alertFirstButtonReturn;
    });
    start();
    takeEvents();
    requireUpdate("https://example.com/download");
    loop.advance(0.099);
    EXPECT_TRUE(alerts.empty());
    loop.advance(0.001);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Update required");
    EXPECT_EQ(alerts[0].informativeText, "This version is no longer supported.");
    EXPECT_EQ((std::vector<std::string>{"Download now"}), alerts[0].buttons());
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    loop.runUntilIdle();
    auto seen = takeEvents();
    ASSERT_GE(seen.size(), 5u);
    // Leaving Idle has already closed the bars; the Dock is restored before the process ends.
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "alert"}),
              std::vector<std::string>(seen.begin(), seen.begin() + 3));
    EXPECT_EQ(seen.back(), "exit 0");
    EXPECT_GT(count(seen, "dock command"), 0);
    auto actions = desktop->actions();
    auto open = std::find_if(actions.begin(), actions.end(), [](const auto& a) { return a.name == "open"; });
    ASSERT_NE(open, actions.end());
    EXPECT_NE(open->jsonLine().find("https://example.com/download"), std::string::npos);
}

TEST_F(ApplicationTest, RequiredUpdateKnownAtStartSkipsTheBarsAndABadAddressKeepsRunning) {
    platform::Alert::ScopedResponder responder([&](const platform::Alert&) {
        events.push_back("alert");
        return platform::alertFirstButtonReturn;
    });
    requireUpdate("file:///Applications/Calculator.app");
    start();
    loop.runUntilIdle();
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    // Never hidden, so nothing is restored; the address is no web address, so nothing opens.
    EXPECT_EQ((std::vector<std::string>{"alert"}), takeEvents());
    EXPECT_TRUE(application->windowControllers().empty());
}

TEST_F(ApplicationTest, SettingsWindowsAreListedUntilClosedAndLeavingIdleClosesThemAll) {
    start();
    eventBus->showSettings.onNext(rx::Unit{});
    eventBus->showSettings.onNext(rx::Unit{});
    EXPECT_EQ((std::vector<std::string>{"bar A", "bar B", "settings", "settings"}), windowNames());
    application->windowControllers()[2].close();
    EXPECT_EQ((std::vector<std::string>{"bar A", "bar B", "settings"}), windowNames());

    takeEvents();
    platform::Screens::update({screen("A", 0, 2.0)});
    loop.advance(1.0);
    EXPECT_EQ((std::vector<std::string>{"close bar A", "close bar B", "close settings", "bar A"}),
              takeEvents());
    EXPECT_EQ((std::vector<std::string>{"bar A"}), windowNames());
}

TEST_F(ApplicationTest, TerminationRestoresTheDockOnlyWhenHiddenAndEachTime) {
    desktop->setAccessibilityTrusted(false);
    start();
    takeEvents();
    delegate->applicationWillTerminate();
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    EXPECT_TRUE(events.empty());

    desktop->setAccessibilityTrusted(true);
    auto second = Brindle::make<Velmora::AppDelegate>(services());
    application = second->application;
    takeEvents();
    second->applicationWillTerminate();
    const int restoreCommands = count(takeEvents(), "dock command");
    EXPECT_GT(restoreCommands, 0);
    auto first = application->currentState();
    second->applicationWillTerminate();
    EXPECT_NE(application->currentState(), first);
    EXPECT_EQ(restoreCommands, count(takeEvents(), "dock command"));
}
