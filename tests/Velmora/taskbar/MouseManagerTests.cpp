#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/taskbar/MouseManager.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace platform {
inline void PrintTo(const Point& point, std::ostream* out) {
    *out << "(" << point.x << ", " << point.y << ")";
}
}  // namespace platform

namespace {

using platform::Point;
using platform::Rect;
using platform::sim::SimulatedDesktop;
using Velmora::MouseManager;

// A 1440 × 900 screen with a 1920 × 1080 screen standing on top of it.
constexpr const char* twoScreens = R"({"screens": [
    {"id": "built-in", "frame": [0, 0, 1440, 900]},
    {"id": "external", "frame": [0, 900, 1920, 1080]}]})";

// The managers' timers live on this test's own loop and end with it, so that no manager of one
// test samples the desktop of another.
class MouseManagerTest : public ::testing::Test {
protected:
    platform::testing::VirtualMainLoop loop;
    test_support::InstalledDesktop desktop{twoScreens};
};

TEST_F(MouseManagerTest, SamplesTenTimesASecondOnTheMainQueue) {
    desktop->setMouseLocation({100, 200});
    auto manager = Brindle::make<MouseManager>();
    std::vector<Point> seen;
    auto subscription = manager->mouseMos.subscribe([&](const Point& point) { seen.push_back(point); });
    EXPECT_EQ(manager->mouseMos.value(), (Point{0, 0}));

    loop.advance(0.099);
    EXPECT_EQ(manager->mouseMos.value(), (Point{0, 0}));
    loop.advance(0.001);
    EXPECT_EQ(manager->mouseMos.value(), (Point{100, 700}));

    desktop->setMouseLocation({640, 450});
    loop.advance(0.05);
    EXPECT_EQ(manager->mouseMos.value(), (Point{100, 700}));
    loop.advance(0.05);
    EXPECT_EQ(manager->mouseMos.value(), (Point{640, 450}));

    // Every tick publishes, also an unchanged position.
    loop.advance(0.8);
    EXPECT_EQ(seen.size(), 1u + 10u);
    subscription.dispose();
}

TEST_F(MouseManagerTest, MeasuresYDownwardsFromTheTopOfTheFirstScreen) {
    auto manager = Brindle::make<MouseManager>();
    auto sampleAt = [&](Point location) {
        desktop->setMouseLocation(location);
        loop.advance(MouseManager::samplingInterval);
        return manager->mouseMos.value();
    };

    EXPECT_EQ(sampleAt({10, 0}), (Point{10, 900}));
    EXPECT_EQ(sampleAt({10, 900}), (Point{10, 0}));
    // The screen above the first one lies at negative y.
    EXPECT_EQ(sampleAt({1800, 1500}), (Point{1800, -600}));
    // Off every screen the position is still reported.
    EXPECT_EQ(sampleAt({-20, -30}), (Point{-20, 930}));

    // The first screen is read at every tick.
    desktop->setScreens({{"built-in", "", Rect::make(0, 0, 1280, 800), Rect::make(0, 0, 1280, 800)},
                         {"external", "", Rect::make(0, 800, 1920, 1080), Rect::make(0, 800, 1920, 1080)}});
    EXPECT_EQ(sampleAt({10, 0}), (Point{10, 800}));

    // Without screens there is nothing to measure from: the last position stands.
    desktop->setScreens({});
    EXPECT_EQ(sampleAt({500, 500}), (Point{10, 800}));
}

TEST_F(MouseManagerTest, SamplesOnlyWhileThePointerMoves) {
    const auto idleLoop = loop.pendingCount();
    auto manager = Brindle::make<MouseManager>();
    int published = 0;
    auto subscription = manager->mouseMos.skip(1).subscribe([&](const Point&) { ++published; });
    loop.advance(MouseManager::quietTime + 0.5);
    EXPECT_EQ(loop.pendingCount(), idleLoop) << "still pointer, no timer";
    const int whileStill = published;
    loop.advance(5.0);
    EXPECT_EQ(published, whileStill);

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
    subscription.dispose();
}

TEST_F(MouseManagerTest, TheTimerKeepsTheManagerAliveUntilTheLoopEnds) {
    std::weak_ptr<MouseManager> weak;
    {
        platform::testing::VirtualMainLoop ownLoop;
        weak = Brindle::make<MouseManager>();
        desktop->setMouseLocation({5, 5});
        ownLoop.advance(1.0);
        auto manager = weak.lock();
        ASSERT_TRUE(manager);
        EXPECT_EQ(manager->mouseMos.value(), (Point{5, 895}));
    }
    EXPECT_TRUE(weak.expired());
}

}  // namespace
