#include <gtest/gtest.h>

#include "Brindle/Object.h"
#include "Velmora/taskbar/MouseManager.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

using platform::Point;
using platform::Rect;
using Velmora::MouseManager;

// The managers' timers live on this test's own loop and end with it, so that no manager of one
// test samples the desktop of another.
class MouseManagerTest : public ::testing::Test {
protected:
    platform::testing::VirtualMainLoop loop;
    // A 1440 × 900 screen with a 1920 × 1080 screen standing on top of it.
    test_support::InstalledDesktop desktop{R"({"screens": [{"id": "built-in", "frame": [0, 0, 1440, 900]},
                                                          {"id": "external", "frame": [0, 900, 1920, 1080]}]})"};
};

TEST_F(MouseManagerTest, SamplesTenTimesASecondMeasuringYDownwardsFromTheTopOfTheFirstScreen) {
    desktop->setMouseLocation({100, 200});
    auto manager = Brindle::make<MouseManager>();
    int published = 0;
    auto subscription = manager->mouseMos.subscribe([&](const Point&) { ++published; });
    loop.advance(0.099);
    EXPECT_EQ(manager->mouseMos.value(), (Point{0, 0}));
    loop.advance(0.001);
    EXPECT_EQ(manager->mouseMos.value(), (Point{100, 700}));
    loop.advance(0.9);
    EXPECT_EQ(published, 1 + 10) << "every tick publishes, also an unchanged position";
    subscription.dispose();
    auto sampleAt = [&](Point location) {
        desktop->setMouseLocation(location);
        loop.advance(MouseManager::samplingInterval);
        return manager->mouseMos.value();
    };
    // The screen above the first one lies at negative y; off every screen the position still counts.
    EXPECT_EQ(sampleAt({10, 900}), (Point{10, 0}));
    EXPECT_EQ(sampleAt({1800, 1500}), (Point{1800, -600}));
    EXPECT_EQ(sampleAt({-20, -30}), (Point{-20, 930}));
    // The first screen is read at every tick; without screens the last position stands.
    desktop->setScreens({{"built-in", "", Rect::make(0, 0, 1280, 800), Rect::make(0, 0, 1280, 800)}});
    EXPECT_EQ(sampleAt({10, 0}), (Point{10, 800}));
    desktop->setScreens({});
    EXPECT_EQ(sampleAt({500, 500}), (Point{10, 800}));
}

TEST_F(MouseManagerTest, SamplesOnlyWhileThePointerMoves) {
    const auto idleLoop = loop.pendingCount();
    auto manager = Brindle::make<MouseManager>();
    loop.advance(MouseManager::quietTime + 0.5);
    EXPECT_EQ(loop.pendingCount(), idleLoop) << "still pointer, no timer";
    // A move seen by this application's own windows, then one elsewhere.
    desktop->injectEvent({platform::EventType::mouseMoved, 0, 0, {300, 100}},
                         platform::sim::EventTarget::thisApplication);
    loop.advance(MouseManager::samplingInterval);
    EXPECT_EQ(manager->mouseMos.value(), (Point{300, 800}));
    desktop->setMouseLocation({20, 880});
    loop.advance(MouseManager::samplingInterval);
    EXPECT_EQ(manager->mouseMos.value(), (Point{20, 20}));
    loop.advance(MouseManager::quietTime + 0.5);
    EXPECT_EQ(loop.pendingCount(), idleLoop);
}

TEST_F(MouseManagerTest, TheTimerKeepsTheManagerAliveUntilTheLoopEnds) {
    std::weak_ptr<MouseManager> weak;
    {
        platform::testing::VirtualMainLoop ownLoop;
        weak = Brindle::make<MouseManager>();
        desktop->setMouseLocation({5, 5});
        ownLoop.advance(1.0);
        ASSERT_FALSE(weak.expired());
        EXPECT_EQ(weak.lock()->mouseMos.value(), (Point{5, 895}));
    }
    EXPECT_TRUE(weak.expired());
}
