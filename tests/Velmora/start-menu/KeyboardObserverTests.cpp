#include <gtest/gtest.h>

#include "Brindle/Logging.h"
#include "Velmora/start-menu/KeyboardObserver.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace {

using platform::EventType;
using platform::Point;
using platform::sim::EventTarget;
using Velmora::KeyboardObserver;
using Velmora::MainMenuActivationKeys;
namespace Flags = platform::ModifierFlags;

constexpr std::uint16_t keyA = 0, keyS = 1;

// "…<Velmora.KeyboardObserverStateIdle: 0x…>" → "StateIdle"
std::string stateName(const std::string& text) {
    const auto start = text.find("KeyboardObserver") + std::string("KeyboardObserver").size();
    return text.substr(start, text.find(':', start) - start);
}

// Each test runs its own loop, so that pending timers can be counted; the switches logged are kept.
class KeyboardObserverTest : public ::testing::Test {
protected:
    KeyboardObserverTest() {
        Brindle::Logging::setPrintFunction([this](const std::string& line) {
            if (line.rfind("Switching to state: ", 0) == 0) switches.push_back(stateName(line));
        });
    }
    ~KeyboardObserverTest() override { Brindle::Logging::setPrintFunction(nullptr); }

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
    static std::string state(const KeyboardObserver& observer) {
        return observer.currentState() ? stateName(observer.currentState()->description()) : "none";
    }

    platform::testing::VirtualMainLoop loop;
    test_support::InstalledDesktop desktop;
    std::vector<Point> taps;
    std::vector<std::string> switches;
};

TEST_F(KeyboardObserverTest, AQuickTapIsReportedAfterTheQuietTimeAndPressesAreTimedFromTheirOwnStart) {
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

    // A second press within the quiet time restarts it: one report, after the second release.
    taps.clear();
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

TEST_F(KeyboardObserverTest, OrdinaryKeysAndMouseActivityCancelUntilNoKeyHasBeenHeldForHalfASecond) {
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

    // The mouse during the press waits out the same quiet time.
    taps.clear();
    desktop->setModifierFlags(Flags::command);
    loop.advance(0.05);
    inject(EventType::leftMouseDown, 0, {10, 10});
    desktop->setModifierFlags(0);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    loop.advance(0.45);
    EXPECT_EQ(state(*observer), "PressingWrongKeys");
    loop.advance(0.1);
    EXPECT_EQ(state(*observer), "StateIdle");
    // And during the quiet time after the release.
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

    // A key released in this application is not seen either: the observer waits for its key-up.
    switches.clear();
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
    EXPECT_EQ(taps.size(), 2u);
}

TEST_F(KeyboardObserverTest, OnlyTheChosenModifierCountsAndIdleWaitsForItsChangesWithoutTimers) {
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::none), std::nullopt);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::fn), Flags::function);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::control), Flags::control);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::options), Flags::option);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::command), Flags::command);

    const auto idleLoop = loop.pendingCount();
    auto observer = tapObserver(Flags::option);
    for (auto other : {Flags::command, Flags::control, Flags::function, Flags::shift}) {
        tap(0.1, other);
        loop.advance(0.4);
    }
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(switches.empty());
    EXPECT_EQ(loop.pendingCount(), idleLoop) << "nothing armed while idle";
    tap(0.1, Flags::option | Flags::control);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);

    // A modifier seen only by this application's own windows.
    auto localFlags = [&](std::uint64_t flags) {
        desktop->injectEvent({EventType::flagsChanged, 0, flags, {}}, EventTarget::thisApplication);
    };
    localFlags(Flags::option);
    EXPECT_EQ(state(*observer), "PressingRightKey");
    loop.advance(0.1);
    localFlags(0);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 2u);
    EXPECT_EQ(loop.pendingCount(), idleLoop);

    // Held already when the observer starts: a press from then on.
    desktop->setModifierFlags(Flags::option);
    auto held = tapObserver(Flags::option);
    EXPECT_EQ(state(*held), "PressingRightKey");
    loop.advance(0.1);
    desktop->setModifierFlags(0);
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 4u) << "both observers saw the tap";
}

TEST_F(KeyboardObserverTest, TheKeyCodeObserverRunsForItsKeyAndSwallowsItInThisApplication) {
    int runs = 0;
    auto observer = Brindle::make<KeyboardObserver>(platform::KeyCode::escape, [&] { ++runs; });
    EXPECT_EQ(state(*observer), "none");
    auto press = [&](std::uint16_t key, std::uint64_t flags, EventTarget target) {
        return desktop->injectEvent({EventType::keyDown, key, flags}, target);
    };

    EXPECT_TRUE(press(53, 0, EventTarget::otherApplication));
    EXPECT_EQ(runs, 1) << "once per key press";
    press(53, Flags::shift, EventTarget::otherApplication);
    press(keyA, 0, EventTarget::otherApplication);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(press(53, Flags::command, EventTarget::thisApplication), std::nullopt);
    EXPECT_EQ(runs, 2);
    auto passed = press(keyS, Flags::shift, EventTarget::thisApplication);
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->keyCode, keyS);
    EXPECT_EQ(passed->modifierFlags, Flags::shift);
    EXPECT_EQ(runs, 2);

    observer.reset();
    EXPECT_TRUE(press(53, 0, EventTarget::thisApplication));
    press(53, 0, EventTarget::otherApplication);
    EXPECT_EQ(runs, 2);
}

TEST_F(KeyboardObserverTest, AReleasedObserverStopsItsTimersAndNeverReports) {
    const auto idleLoop = loop.pendingCount();
    auto pressed = [&] {
        desktop->setModifierFlags(Flags::command);
        loop.advance(0.05);
    };
    // Released while idle, pressing, releasing (the pending report and the debounce end at their
    // own time) and after a wrong key.
    const std::vector<std::pair<std::function<void()>, double>> cases = {
        {[] {}, 0.01},
        {pressed, 0.005},
        {[&] { tap(), loop.advance(0.1); }, 0.3},
        {[&] { pressed(), inject(EventType::leftMouseDown); }, 0.5},
    };
    for (const auto& [prepare, settle] : cases) {
        auto observer = tapObserver();
        prepare();
        std::weak_ptr<KeyboardObserver> weak = observer;
        observer.reset();
        EXPECT_TRUE(weak.expired());
        desktop->setModifierFlags(0);
        loop.advance(settle);
        EXPECT_EQ(loop.pendingCount(), idleLoop) << settle;
    }
    EXPECT_TRUE(taps.empty());

    // A replaced observer's monitors and states are gone with it.
    auto replaced = tapObserver();
    replaced = tapObserver();
    tap();
    loop.advance(0.4);
    EXPECT_EQ(taps.size(), 1u);
}

}  // namespace
