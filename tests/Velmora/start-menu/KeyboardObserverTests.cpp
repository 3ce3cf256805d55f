#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "Velmora/start-menu/KeyboardObserver.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace {

using platform::EventType;
using platform::Point;
using platform::sim::EventTarget;
using Velmora::KeyboardObserver;
namespace Flags = platform::ModifierFlags;

constexpr std::uint16_t keyA = 0, keyS = 1;

// Each test runs its own loop, so that pending timers can be counted.
class KeyboardObserverTest : public ::testing::Test {
protected:
    std::shared_ptr<KeyboardObserver> tapObserver() {
        return Brindle::make<KeyboardObserver>(Flags::command, [this](double x, double y) {
            taps.push_back({x, y});
        });
    }
    void inject(EventType type, std::uint16_t keyCode = 0, EventTarget target = EventTarget::otherApplication,
                std::uint64_t flags = 0, Point location = {}) {
        desktop->injectEvent({type, keyCode, flags, location}, target);
    }

    // Plays a script of steps: a number waits that many seconds; "cmd", "ctrl", "fn", "opt" and
    // "shift" hold a modifier too and "up" releases them all; "a", "a-up", "s" and "s-up" press and
    // release keys; "click" and "scroll" are the mouse. A step ending in "-here" happens in this
    // application's own windows.
    void play(const std::string& script) {
        const std::map<std::string, std::uint64_t> modifiers = {
            {"cmd", Flags::command}, {"ctrl", Flags::control}, {"fn", Flags::function},
            {"opt", Flags::option},  {"shift", Flags::shift},  {"up", 0}};
        const std::map<std::string, std::pair<EventType, std::uint16_t>> events = {
            {"a", {EventType::keyDown, keyA}},        {"a-up", {EventType::keyUp, keyA}},
            {"s", {EventType::keyDown, keyS}},        {"s-up", {EventType::keyUp, keyS}},
            {"click", {EventType::leftMouseDown, 0}}, {"scroll", {EventType::scrollWheel, 0}}};
        std::uint64_t held = 0;
        std::istringstream words(script);
        for (std::string word; words >> word;) {
            const bool here = word.ends_with("-here");
            const auto target = here ? EventTarget::thisApplication : EventTarget::otherApplication;
            if (here) word.resize(word.size() - 5);
            if (std::isdigit(static_cast<unsigned char>(word[0]))) {
                loop.advance(std::stod(word));
            } else if (events.contains(word)) {
                inject(events.at(word).first, events.at(word).second, target);
            } else {
                held = word == "up" ? 0 : held | modifiers.at(word);
                // This application's own windows are told of modifiers by an event of their own.
                if (here)
                    inject(EventType::flagsChanged, 0, target, held);
                else
                    desktop->setModifierFlags(held);
            }
        }
    }
    // How many taps a new command-key observer reports for a script.
    std::size_t run(const std::string& script) {
        taps.clear();
        auto observer = tapObserver();
        play(script);
        desktop->setModifierFlags(0);
        return taps.size();
    }

    platform::testing::VirtualMainLoop loop;
    test_support::InstalledDesktop desktop;
    std::vector<Point> taps;
};

TEST_F(KeyboardObserverTest, OnlyAShortUndisturbedTapOfTheChosenModifierIsReported) {
    const std::pair<const char*, std::size_t> cases[] = {
        // Reported 0.3 s after the release, whatever other modifiers are held with it.
        {"cmd 0.1 up 0.25", 0},
        {"cmd 0.1 up 0.35", 1},
        {"shift cmd 0.1 up 0.4", 1},
        {"ctrl 0.1 up 0.4 fn 0.1 up 0.4 opt 0.1 up 0.4 shift 0.1 up 0.4", 0},
        {"cmd-here 0.1 up-here 0.4", 1},
        // Timed from its own start: a second press within the quiet time restarts it.
        {"cmd 0.1 up 0.15 cmd 0.1 up 0.25", 0},
        {"cmd 0.1 up 0.15 cmd 0.1 up 0.35", 1},
        {"cmd 0.18 up 0.4", 1},
        {"cmd 0.22 up 0.4", 0},
        // After a long press the modifier must stay up 0.1 s before a new press counts.
        {"cmd 0.22 up 0.05 cmd 0.05 up 0.4", 0},
        {"cmd 0.22 up 0.15 cmd 0.1 up 0.4", 1},
        // An ordinary key during the press, in the quiet time or held before cancels, until no key
        // has been held for 0.5 s; repeats are all taken back by one key-up, another key restarts.
        {"cmd 0.05 a up a-up 0.4 cmd 0.05 up 0.4", 0},
        {"cmd 0.05 a up a-up 0.55 cmd 0.1 up 0.4", 1},
        {"cmd 0.1 up 0.1 a a-up 1", 0},
        {"a cmd 0.1 up 1", 0},
        {"a a 0.3 a-up 0.55 cmd 0.1 up 0.4", 1},
        {"a a-up 0.3 s s-up 0.4 cmd 0.05 up 0.4", 0},
        // A modifier still down when the quiet time ends is a new press from then on.
        {"a cmd a-up 0.55 up 0.4", 1},
        // A key released in this application is not seen: the key stays held.
        {"a a-up-here 2 cmd 0.1 up 1", 0},
        // The mouse cancels in the same way, but not in this application's own windows.
        {"cmd 0.05 click up 0.4 cmd 0.05 up 0.4", 0},
        {"cmd 0.05 click up 0.55 cmd 0.1 up 0.4", 1},
        {"cmd 0.1 up 0.1 scroll 1", 0},
        {"cmd 0.1 up click-here 0.4", 1}};
    for (const auto& [script, reported] : cases) EXPECT_EQ(run(script), reported) << script;
    // The setting names the modifier.
    using Velmora::MainMenuActivationKeys;
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::none), std::nullopt);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::fn), Flags::function);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::control), Flags::control);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::options), Flags::option);
    EXPECT_EQ(Velmora::modifierMask(MainMenuActivationKeys::command), Flags::command);
}

TEST_F(KeyboardObserverTest, TheKeyCodeObserverRunsForItsKeyAndSwallowsItInThisApplication) {
    int runs = 0;
    auto observer = Brindle::make<KeyboardObserver>(platform::KeyCode::escape, [&] { ++runs; });
    // Alone in another application, or with any modifiers in this one, which then never gets it.
    const std::tuple<std::uint16_t, std::uint64_t, EventTarget, int, bool> presses[] = {
        {53, 0, EventTarget::otherApplication, 1, true},
        {53, Flags::shift, EventTarget::otherApplication, 1, true},
        {keyA, 0, EventTarget::otherApplication, 1, true},
        {53, Flags::command, EventTarget::thisApplication, 2, false},
        {keyS, Flags::shift, EventTarget::thisApplication, 2, true}};
    for (const auto& [key, flags, target, ran, passed] : presses) {
        EXPECT_EQ(desktop->injectEvent({EventType::keyDown, key, flags}, target).has_value(), passed);
        EXPECT_EQ(runs, ran) << key << " with " << flags;
    }
    // Every observer of the key runs once, though the first to see it here takes it from the others.
    int otherRuns = 0;
    auto other = Brindle::make<KeyboardObserver>(platform::KeyCode::escape, [&] { ++otherRuns; });
    EXPECT_FALSE(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication));
    desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication);
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(otherRuns, 2);
    observer.reset();
    other.reset();
    EXPECT_TRUE(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication));
    desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication);
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(otherRuns, 2);
}

TEST_F(KeyboardObserverTest, TimersRunOnlyWhileATapIsUnderWayAndGoWithTheObserver) {
    const auto idleLoop = loop.pendingCount();
    // Released while idle, pressing, releasing (the pending report and the debounce end at their
    // own time) and after a wrong key: nothing is left armed, nothing reported.
    const std::pair<const char*, double> cases[] = {
        {"", 0.01}, {"cmd 0.05", 0.005}, {"cmd 0.1 up 0.1", 0.3}, {"cmd 0.05 click", 0.5}};
    for (const auto& [script, settle] : cases) {
        std::weak_ptr<KeyboardObserver> weak;
        {
            auto observer = tapObserver();
            weak = observer;
            play(script);
        }
        EXPECT_TRUE(weak.expired());
        desktop->setModifierFlags(0);
        loop.advance(settle);
        EXPECT_EQ(loop.pendingCount(), idleLoop) << script;
    }
    EXPECT_TRUE(taps.empty());
    // A replaced observer's monitors and states go with it. An idle one arms nothing, and a tap
    // reports the pointer where it is then, also after a move no monitor saw.
    desktop->setMouseLocation({100, 200});
    auto observer = tapObserver();
    observer = tapObserver();
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), idleLoop);
    play("cmd 0.1 up 0.4");
    EXPECT_EQ(loop.pendingCount(), idleLoop);
    inject(EventType::leftMouseDown, 0, EventTarget::otherApplication, 0, {300, 400});
    inject(EventType::mouseMoved, 0, EventTarget::otherApplication, 0, {900, 900});
    // Held already when an observer starts: a press from then on.
    desktop->setModifierFlags(Flags::command);
    auto held = tapObserver();
    play("0.1 up 0.4");
    ASSERT_EQ(taps.size(), 3u) << "both observers saw the second tap";
    EXPECT_EQ(taps[0], (Point{100, 200}));
    EXPECT_EQ(taps[1], (Point{900, 900}));
    EXPECT_EQ(taps[2], (Point{900, 900}));
}

}  // namespace
