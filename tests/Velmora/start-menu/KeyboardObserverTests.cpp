#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Brindle/Logging.h"
#include "Velmora/start-menu/KeyboardObserver.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace platform {
inline void PrintTo(const Point& point, std::ostream* out) {
    *out << "(" << point.x << ", " << point.y << ")";
}
}  // namespace platform

namespace {

using platform::Event;
using platform::EventType;
using platform::Point;
using platform::sim::EventTarget;
using platform::sim::SimulatedDesktop;
using Velmora::KeyboardObserver;
using Velmora::MainMenuActivationKeys;
namespace Flags = platform::ModifierFlags;

constexpr std::uint16_t keyA = 0;
constexpr std::uint16_t keyS = 1;

// Each test runs its own loop, so that pending timers can be counted.
class KeyboardObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        Brindle::Logging::setPrintFunction([this](const std::string& line) {
            // "Switching to state: <Velmora.KeyboardObserverStateIdle: 0x…>" → "StateIdle"
            const std::string prefix = "Switching to state: <Velmora.KeyboardObserver";
            if (line.rfind(prefix, 0) == 0)
                switches.push_back(line.substr(prefix.size(), line.find(':', prefix.size()) - prefix.size()));
        });
    }
    void TearDown() override { Brindle::Logging::setPrintFunction(nullptr); }

    std::shared_ptr<KeyboardObserver> tapObserver(std::uint64_t mask = Flags::command) {
        return Brindle::make<KeyboardObserver>(mask, [this](double x, double y) { taps.push_back({x, y}); });
    }
    void tap(double holdFor = 0.1, std::uint64_t flags = Flags::command) {
        desktop->setModifierFlags(flags);
        loop.advance(holdFor);
        desktop->setModifierFlags(0);
    }
    void inject(EventType type, std::uint16_t keyCode = 0, Point location = {},
                EventTarget target = EventTarget::otherApplication) {
        desktop->injectEvent({type, keyCode, 0, location}, target);
    }
    std::string state(const KeyboardObserver& observer) {
        auto current = observer.currentState();
        if (!current) return "none";
        auto name = current->description();
        auto start = name.find("KeyboardObserver") + std::string("KeyboardObserver").size();
        return name.substr(start, name.find(':') - start);
    }

    platform::testing::VirtualMainLoop loop;
    test_support::InstalledDesktop desktop;
    std::vector<Point> taps;
    std::vector<std::string> switches;
};

TEST_F(KeyboardObserverTest, AQuickTapIsReportedOnceAfterTheQuietTimeWithTheLastMousePositionSeen) {
    desktop->setMouseLocation({100, 200});
    auto observer = tapObserver();
    loop.advance(0.05);
    tap();
    loop.advance(0.25);
    EXPECT_TRUE(taps.empty());
    loop.advance(0.1);
    EXPECT_EQ(taps, std::vector<Point>{(Point{100, 200})}) << "the pointer at creation";
    EXPECT_EQ(switches, (std::vector<std::string>{"PressingRightKey", "ReleasingRightKey", "StateIdle"}));

    // A click while idle is recorded without cancelling anything; a move is not seen at all.
    inject(EventType::leftMouseDown, 0, {300, 400});
    inject(EventType::mouseMoved, 0, {900, 900});
    loop.advance(0.05);
    tap(0.1, Flags::command | Flags::shift);  // other modifiers held with it do not matter
    loop.advance(2.0);
    EXPECT_EQ(taps, (std::vector<Point>{{100, 200}, {300, 400}}));
}

TEST_F(KeyboardObserverTest, PressesAreTimedFromTheirOwnStart) {
    auto observer = tapObserver();
    // A second press within the quiet time restarts it: one report, after the second release.
    tap();
    loop.advance(0.15);
    tap();
    loop.advance(0.25);
    EXPECT_TRUE(taps.empty());
    loop.advance(0.1);
    EXPECT_EQ(taps.size(), 1u);

    tap(0.18);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 2u) << "just short enough";

    tap(0.22);
    EXPECT_EQ(state(*observer), "PressingRightKeyTimeout");
    // Coming back within 0.1 s is not a new press.
    loop.advance(0.05);
    tap(0.05);
    loop.advance(0.05);
    EXPECT_EQ(state(*observer), "PressingRightKeyTimeout");
    loop.advance(0.1);
    EXPECT_EQ(state(*observer), "StateIdle");
    loop.advance(1.0);
    EXPECT_EQ(taps.size(), 2u) << "held too long";

    tap();
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 3u);
}

TEST_F(KeyboardObserverTest, OrdinaryKeysCancelUntilNoneHasBeenHeldForHalfASecond) {
    auto observer = tapObserver();
    // A key during the press.
    desktop->setModifierFlags(Flags::command);
    loop.advance(0.05);
    inject(EventType::keyDown, keyA);
    desktop->setModifierFlags(0);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    // Repeats add the key again; its key-up removes every entry.
    inject(EventType::keyDown, keyA);
    loop.advance(0.3);
    inject(EventType::keyUp, keyA);
    EXPECT_TRUE(observer->pressedKeysRelay.value().empty());
    // Another key restarts the quiet time.
    loop.advance(0.3);
    inject(EventType::keyDown, keyS);
    inject(EventType::keyUp, keyS);
    loop.advance(0.45);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    loop.advance(0.1);
    EXPECT_EQ(state(*observer), "StateIdle");

    // A key within the quiet time after the release.
    tap();
    loop.advance(0.1);
    inject(EventType::keyDown, keyA);
    inject(EventType::keyUp, keyA);
    // A key held before the modifier.
    loop.advance(0.6);
    inject(EventType::keyDown, keyA);
    tap();
    loop.advance(1.0);
    EXPECT_TRUE(taps.empty());

    // A modifier still down when the quiet time ends is a new press from then on.
    desktop->setModifierFlags(Flags::command);
    inject(EventType::keyUp, keyA);
    loop.advance(0.55);
    EXPECT_EQ(state(*observer), "PressingRightKey");
    desktop->setModifierFlags(0);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
}

TEST_F(KeyboardObserverTest, MouseActivityCancelsDuringThePressAndTheQuietTime) {
    auto observer = tapObserver();
    desktop->setModifierFlags(Flags::command);
    loop.advance(0.05);
    inject(EventType::leftMouseDown, 0, {10, 10});
    desktop->setModifierFlags(0);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    loop.advance(0.45);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    loop.advance(0.1);
    EXPECT_EQ(state(*observer), "StateIdle");

    tap();
    loop.advance(0.1);
    inject(EventType::scrollWheel, 0, {20, 20});
    loop.advance(1.0);
    EXPECT_TRUE(taps.empty());

    // Clicks in this application's own windows are not seen.
    tap();
    inject(EventType::leftMouseDown, 0, {30, 30}, EventTarget::thisApplication);
    loop.advance(0.4);
    EXPECT_EQ(taps, std::vector<Point>{(Point{20, 20})});
}

TEST_F(KeyboardObserverTest, AKeyReleasedInThisApplicationKeepsTheObserverWaitingForItsKeyUp) {
    auto observer = tapObserver();
    inject(EventType::keyDown, keyA);
    inject(EventType::keyUp, keyA, {}, EventTarget::thisApplication);
    loop.advance(2.0);
    tap();
    loop.advance(1.0);
    EXPECT_EQ(switches, std::vector<std::string>{"PressingWrongKeys"}) << "a held key keeps it there";
    inject(EventType::keyUp, keyA);
    loop.advance(0.55);
    tap();
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
}

TEST_F(KeyboardObserverTest, OnlyTheChosenModifierCounts) {
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::none), std::nullopt);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::fn), Flags::function);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::control), Flags::control);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::options), Flags::option);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::command), Flags::command);

    auto observer = tapObserver(*Velmora::modifierMask(MainMenuActivationKeys::options));
    for (auto other : {Flags::command, Flags::control, Flags::function, Flags::shift}) {
        tap(0.1, other);
        loop.advance(0.4);
    }
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(switches.empty());
    tap(0.1, Flags::option | Flags::control);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
}

TEST_F(KeyboardObserverTest, TheKeyCodeObserverRunsForItsKeyAndSwallowsItInThisApplication) {
    int runs = 0;
    auto observer = Brindle::make<KeyboardObserver>(platform::KeyCode::escape, [&] { ++runs; });
    EXPECT_EQ(observer->currentState(), nullptr);

    EXPECT_TRUE(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication));
    EXPECT_EQ(runs, 1) << "once per key press";
    desktop->injectEvent({EventType::keyDown, 53, Flags::shift}, EventTarget::otherApplication);
    desktop->injectEvent({EventType::keyDown, keyA}, EventTarget::otherApplication);
    EXPECT_EQ(runs, 1);

    EXPECT_EQ(desktop->injectEvent({EventType::keyDown, 53, Flags::command}, EventTarget::thisApplication),
              std::nullopt);
    EXPECT_EQ(runs, 2);
    auto passed =
        desktop->injectEvent({EventType::keyDown, keyS, Flags::shift}, EventTarget::thisApplication);
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->keyCode, keyS);
    EXPECT_EQ(passed->modifierFlags, Flags::shift);
    EXPECT_EQ(runs, 2);

    observer.reset();
    EXPECT_TRUE(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication));
    desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication);
    EXPECT_EQ(runs, 2);
}

TEST_F(KeyboardObserverTest, IdleWaitsForModifierChangesWithoutTimers) {
    const auto idleLoop = loop.pendingCount();
    auto observer = tapObserver();
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), idleLoop) << "nothing armed while idle";

    // A modifier seen only by this application's own windows.
    auto localFlags = [&](std::uint64_t flags) {
        desktop->injectEvent({EventType::flagsChanged, 0, flags, {}}, EventTarget::thisApplication);
    };
    localFlags(Flags::command);
    EXPECT_EQ(state(*observer), "PressingRightKey");
    loop.advance(0.1);
    localFlags(0);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
    EXPECT_EQ(loop.pendingCount(), idleLoop);

    // Held already when the observer starts: a press from then on.
    desktop->setModifierFlags(Flags::command);
    auto held = tapObserver();
    EXPECT_EQ(state(*held), "PressingRightKey");
    loop.advance(0.1);
    desktop->setModifierFlags(0);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 3u) << "both observers saw the tap";
}

TEST_F(KeyboardObserverTest, AReleasedObserverStopsItsTimersAndNeverReports) {
    const auto idleLoop = loop.pendingCount();
    auto released = [&](auto prepare, double settle) {
        auto observer = tapObserver();
        prepare();
        std::weak_ptr<KeyboardObserver> weak = observer;
        observer.reset();
        EXPECT_TRUE(weak.expired());
        desktop->setModifierFlags(0);
        loop.advance(settle);
        return loop.pendingCount();
    };
    EXPECT_EQ(released([] {}, 0.01), idleLoop);
    auto pressed = [&] {
        desktop->setModifierFlags(Flags::command);
        loop.advance(0.05);
    };
    EXPECT_EQ(released(pressed, 0.005), idleLoop);
    // The pending report and the debounce end at their own time.
    auto releasing = [&] {
        tap();
        loop.advance(0.1);
    };
    EXPECT_EQ(released(releasing, 0.3), idleLoop);
    auto wrongKeys = [&] {
        pressed();
        inject(EventType::leftMouseDown);
    };
    EXPECT_EQ(released(wrongKeys, 0.5), idleLoop);
    EXPECT_TRUE(taps.empty());

    // A replaced observer's monitors and states are gone with it.
    auto replaced = tapObserver();
    replaced = tapObserver();
    tap();
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
}

}  // namespace
