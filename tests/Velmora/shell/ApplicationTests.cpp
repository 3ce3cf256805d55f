#include <gtest/gtest.h>

#include "Velmora/settings/EventManager.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/shell/AppDelegate.h"
#include "Velmora/shell/AppState.h"
#include "Velmora/shell/DockManager.h"
#include "platform/base/Process.h"
#include "platform/system/Alert.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"

using Velmora::Application;
using Strings = std::vector<std::string>;

namespace {

platform::Screen screen(std::string id, double x, double scale = 1.0, double height = 875) {
    return {.identifier = std::move(id),
            .frame = platform::Rect::make(x, 0, 1440, 900),
            .visibleFrame = platform::Rect::make(x, 0, 1440, height),
            .backingScaleFactor = scale};
}

// Stands in for any of the application's windows; tells the test what happens to it.
struct FakeWindow {
    void close() {
        events->push_back("close " + name);
        if (closed) closed(this);
    }
    std::string name;
    Strings* events;
    std::function<void(const void*)> closed;
};

// Two screens, the permission given, and every window, Dock command, alert and exit recorded.
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

    Velmora::WindowController window(const std::string& name,
                                     std::function<void(const void*)> closed = nullptr) {
        events.push_back(name);
        return Velmora::WindowController::of(std::make_shared<FakeWindow>(FakeWindow{name, &events, closed}));
    }
    std::shared_ptr<Velmora::AppDelegate> start() {
        Application::Services services{.updateManager = updates,
                                       .dockManager = dock,
                                       .applicationManager = harness.manager,
                                       .eventManager = eventBus,
                                       .startMouseManager = [] {}};
        services.makeTaskbar = [this](const platform::Screen& screen,
                                      const std::shared_ptr<Application>& owner) {
            EXPECT_TRUE(owner);
            return window("bar " + screen.identifier);
        };
        services.openSettings = [this](auto closed) { return window("settings", closed); };
        services.openOnboarding = [this](auto closed, std::function<void()> completed) {
            onboardingCompleted = std::move(completed);
            return window("onboarding", closed);
        };
        auto delegate = Brindle::make<Velmora::AppDelegate>(services);
        application = delegate->application;
        return delegate;
    }
    template <class State>
    bool isIn() const {
        return std::dynamic_pointer_cast<State>(application->currentState()) != nullptr;
    }
    Strings takeEvents() { return std::exchange(events, {}); }
    Strings windowNames() const {
        Strings names;
        for (const auto& entry : application->windowControllers())
            names.push_back(static_cast<FakeWindow*>(entry.window.get())->name);
        return names;
    }
    void requireUpdate(const std::string& url) {
        updates->setUpdateInfo(Velmora::UpdateResponse{.required = {.title = "Update required", .url = url}});
        updates->requiresUpdate.accept(true);
    }

    test_support::DesktopHarness<platform::testing::VirtualMainLoop> harness{
        R"({"accessibilityTrusted": true})", test_support::Background::runsAtOnce};
    platform::testing::VirtualMainLoop& loop = harness.loop;
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = harness.desktop;
    Strings events;
    std::shared_ptr<Velmora::DockManager> dock =
        Brindle::make<Velmora::DockManager>([this](const std::string&) {
            events.push_back("dock");
            return std::string();
        });
    std::shared_ptr<Velmora::UpdateManager> updates =
        Brindle::make<Velmora::UpdateManager>("http://127.0.0.1:9");
    std::shared_ptr<Velmora::EventManager> eventBus = Brindle::make<Velmora::EventManager>();
    std::function<void()> onboardingCompleted;
    std::shared_ptr<Application> application;
    std::vector<platform::Alert> alerts;
    platform::Alert::ScopedResponder responder{[this](const platform::Alert& alert) {
        alerts.push_back(alert);
        events.push_back("alert");
        return platform::alertFirstButtonReturn;
    }};
};

}  // namespace

TEST_F(ApplicationTest, TheOnboardingLeadsToOneBarPerScreenRebuiltOnChangesAndALostPermissionLeadsBack) {
    desktop->setAccessibilityTrusted(false);
    auto delegate = start();
    EXPECT_TRUE(isIn<Velmora::AppStateOnboarding>());
    EXPECT_EQ(windowNames(), Strings{"onboarding"});
    // The window closes first (forgetting itself), then the completion moves on.
    application->windowControllers()[0].close();
    EXPECT_TRUE(application->windowControllers().empty());
    desktop->setAccessibilityTrusted(true);
    onboardingCompleted();
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    EXPECT_EQ(Application::current(), application);
    EXPECT_EQ(windowNames(), (Strings{"bar A", "bar B"}));
    EXPECT_EQ(harness.updates, 1);
    EXPECT_EQ(std::ranges::count(desktop->actionNames(), "setActivationPolicy"), 1);
    EXPECT_EQ(std::ranges::count(takeEvents(), "dock"), 5);
    loop.advance(5.0);
    EXPECT_TRUE(events.empty());
    // Settings windows are listed until closed; leaving Idle closes every window, and a rebuild
    // hides the Dock no second time.
    eventBus->showSettings.onNext(rx::Unit{});
    eventBus->showSettings.onNext(rx::Unit{});
    application->windowControllers()[2].close();
    EXPECT_EQ(windowNames(), (Strings{"bar A", "bar B", "settings"}));
    takeEvents();
    platform::Screens::update({screen("A", 0), screen("B", 1440)});
    loop.advance(0.999);
    EXPECT_TRUE(events.empty());
    loop.advance(0.001);
    EXPECT_EQ(takeEvents(), (Strings{"close bar A", "close bar B", "close settings", "bar A", "bar B"}));
    EXPECT_EQ(windowNames(), (Strings{"bar A", "bar B"}));
    // The same frames in another order are a change too.
    platform::Screens::update({screen("B", 1440), screen("A", 0)});
    loop.advance(1.0);
    EXPECT_EQ(takeEvents(), (Strings{"close bar A", "close bar B", "bar B", "bar A"}));
    // The left state's timer stops: only the new one rebuilds, once.
    platform::Screens::update({screen("B", 1440, 1.0, 850)});
    loop.advance(3.0);
    EXPECT_EQ(takeEvents(), (Strings{"close bar B", "close bar A", "bar B"}));
    // A notification while the permission stays changes nothing; a loss is seen 0.1 s later.
    platform::NotificationCenter::distributedCenter()->post(
        platform::Accessibility::trustChangedNotification);
    loop.advance(1.0);
    desktop->setAccessibilityTrusted(false);
    loop.advance(0.09);
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    loop.advance(0.01);
    EXPECT_TRUE(isIn<Velmora::AppStateOnboarding>());
    EXPECT_EQ(takeEvents(), (Strings{"close bar B", "onboarding"}));
    EXPECT_TRUE(dock->isHidden()) << "the Dock stays hidden meanwhile";
    // Quitting while the bars show restores the Dock before the process ends.
    application->windowControllers()[0].close();
    desktop->setAccessibilityTrusted(true);
    onboardingCompleted();
    takeEvents();
    eventBus->exit.onNext(rx::Unit{});
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    EXPECT_EQ(events, (Strings{"close bar B", "dock", "dock", "dock", "dock", "dock", "exit 0"}));
}

TEST_F(ApplicationTest, RequiredUpdateShowsTheAlertThenDownloadsAndEnds) {
    auto delegate = start();
    takeEvents();
    requireUpdate("https://example.com/download");
    loop.advance(0.099);
    EXPECT_TRUE(alerts.empty());
    loop.advance(0.001);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Update required");
    EXPECT_EQ(alerts[0].buttons(), Strings{"Download now"});
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    // Leaving Idle has already closed the bars; the Dock is restored before the process ends.
    loop.runUntilIdle();
    EXPECT_EQ(takeEvents(), (Strings{"close bar A", "close bar B", "alert", "dock", "dock", "dock", "dock",
                                     "dock", "exit 0"}));
    ASSERT_EQ(std::ranges::count(desktop->actionNames(), "open"), 1);
    EXPECT_EQ(desktop->actions().back().details["url"], "https://example.com/download");
}

TEST_F(ApplicationTest, RequiredUpdateKnownAtStartSkipsTheBarsAndABadAddressKeepsRunning) {
    requireUpdate("file:///Applications/Calculator.app");
    auto delegate = start();
    loop.runUntilIdle();
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    // Never hidden, so nothing is restored, then or at termination; the address is no web
    // address, so nothing opens.
    delegate->applicationWillTerminate();
    EXPECT_TRUE(isIn<Velmora::AppStateOnTermination>());
    EXPECT_EQ(takeEvents(), Strings{"alert"});
    EXPECT_EQ(std::ranges::count(desktop->actionNames(), "open"), 0);
}

TEST_F(ApplicationTest, RequestingPermissionLooksAgainAfterEveryNoticeEndsWithoutItAndStartsOnceGiven) {
    auto delegate = start();
    ASSERT_TRUE(application->switchState(Brindle::make<Velmora::AppStateRequestPermission>(),
                                         application->currentState()));
    std::weak_ptr<Velmora::AppState> requesting = application->currentState();
    takeEvents();
    // Nothing is looked at before a notice, nor before 0.1 s after it.
    desktop->setAccessibilityTrusted(false);
    loop.advance(0.099);
    EXPECT_TRUE(events.empty());
    loop.advance(0.001);
    EXPECT_EQ(takeEvents(), Strings{"exit 0"});
    EXPECT_TRUE(isIn<Velmora::AppStateRequestPermission>());
    loop.advance(10.0);
    EXPECT_TRUE(events.empty()) << "no notice, no look";
    // Given: the program starts over once, and the state lets go of the notices.
    desktop->setAccessibilityTrusted(true);
    loop.advance(0.1);
    EXPECT_TRUE(isIn<Velmora::AppStateIdle>());
    EXPECT_EQ(windowNames(), (Strings{"bar A", "bar B"}));
    EXPECT_TRUE(requesting.expired());
    platform::NotificationCenter::distributedCenter()->post(
        platform::Accessibility::trustChangedNotification);
    loop.advance(1.0);
    EXPECT_EQ(std::ranges::count(takeEvents(), "exit 0"), 0);
}
