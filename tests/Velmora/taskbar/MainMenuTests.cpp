#include "platform/system/Event.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;
using platform::EventType;
using platform::Rect;

class MainMenuTest : public ::testing::Test {
protected:
    void inject(EventType type, std::uint16_t keyCode = 0, platform::Point location = {}) {
        harness.desktop->injectEvent({type, keyCode, 0, location},
                                     platform::sim::EventTarget::otherApplication);
    }
    // A click on the right screen, then a quick tap of the command key.
    void tapCommand() {
        inject(EventType::leftMouseDown, 0, {2000, 500});
        inject(EventType::leftMouseUp, 0, {2000, 500});
        harness.loop.advance(1.0);
        harness.desktop->setModifierFlags(platform::ModifierFlags::command);
        harness.loop.advance(0.05);
        harness.desktop->setModifierFlags(0);
        harness.loop.advance(0.5);
    }
    Harness harness{R"({"screens": [
        {"id": "left", "frame": [0, 0, 1440, 900], "visibleFrame": [0, 0, 1440, 875]},
        {"id": "right", "frame": [1440, 100, 1920, 1080], "visibleFrame": [1440, 100, 1920, 1080]}]})"};
};

TEST_F(MainMenuTest, OpensOneWindowAboveTheMenuButtonAndEveryCloseClearsIt) {
    auto bar = harness.makeBar(1);
    inject(EventType::keyDown, platform::KeyCode::escape);
    EXPECT_TRUE(harness.menus.empty());
    bar->menuButtonFrame = Rect::make(700, 0, 0, 0);
    harness.desktop->clearActions();
    bar->toggleMainMenu();
    ASSERT_EQ(harness.menus.size(), 1u);
    auto window = harness.menus[0];
    EXPECT_EQ(window->content.screen, bar->screen);
    EXPECT_TRUE(window->closeOnResignKey);
    EXPECT_EQ(window->display, platform::Screens::mainScreen());
    EXPECT_EQ(harness.controllers->windows.size(), 1u);
    EXPECT_EQ(window->frame, Rect::make(1440 + 700 - 400, 100 + 80 + 6 - 28, 800, 640));
    EXPECT_EQ(harness.actionNames(), (Strings{"activate"})) << "the program comes forward";
    // Each way of closing: the button, Escape, the menu's own action, the window resigning.
    using Close = std::function<void()>;
    for (const Close& close :
         {Close([&] { bar->toggleMainMenu(); }), Close([&] { inject(EventType::keyDown, 53); }),
          Close([&] { window->content.closeClosure(); }), Close([&] { window->close(); })}) {
        if (!window->open) bar->toggleMainMenu();
        close();
        EXPECT_FALSE(bar->showingMainMenu.value() || window->open);
        EXPECT_TRUE(harness.controllers->windows.empty());
    }
    EXPECT_EQ(harness.menus.size(), 1u);
    EXPECT_EQ(window->setups, 4);
    // Never left of its screen; at its left edge in the left-aligned layout.
    bar->menuButtonFrame = Rect::make(100, 0, 0, 0);
    harness.settings->taskbarTheme.accept(Velmora::TaskbarTheme::fullscreenCenter);
    bar->toggleMainMenu();
    EXPECT_EQ(window->frame, Rect::make(1440, 100 + 80 - 28, 800, 640));
    bar->toggleMainMenu();
    harness.settings->taskbarTheme.accept(Velmora::TaskbarTheme::fullscreenLeft);
    bar->menuButtonFrame = Rect::make(900, 0, 0, 0);
    bar->toggleMainMenu();
    EXPECT_EQ(window->frame.origin.x, 1440);
}

TEST_F(MainMenuTest, TheShortcutOpensOnlyTheMenuOfTheScreenUnderThePointer) {
    auto left = harness.makeBar(0);
    auto right = harness.makeBar(1);
    tapCommand();
    EXPECT_FALSE(left->showingMainMenu.value());
    EXPECT_TRUE(right->showingMainMenu.value());
    tapCommand();
    EXPECT_FALSE(right->showingMainMenu.value());
    EXPECT_FALSE(harness.menus[0]->open);
    harness.settings->setMainMenuKeyboardShortcut(Velmora::MainMenuActivationKeys::none);
    tapCommand();
    EXPECT_FALSE(right->showingMainMenu.value());
    // A window that outlives its bar still leaves the list; without an application the menu is
    // neither set up nor listed.
    right->toggleMainMenu();
    right.reset();
    harness.menus[0]->close();
    EXPECT_TRUE(harness.controllers->windows.empty());
    auto orphan = Brindle::make<Velmora::TaskbarViewModel>(
        platform::Screens::screens()[0], std::weak_ptr<Velmora::WindowControllerList>(), harness.manager);
    orphan->toggleMainMenu();
    EXPECT_EQ(harness.menus[1]->setups, 0);
    EXPECT_TRUE(harness.menus[1]->open);
    orphan->closeMainMenu();
    EXPECT_FALSE(orphan->showingMainMenu.value());
}

// The pointer moves without a click (no monitor sees it); Escape comes while the menu has the focus.
TEST_F(MainMenuTest, TheTapOpensTheMenuUnderThePointerWhereverItMovedAndEscapeClosesIt) {
    auto left = harness.makeBar(0);
    auto right = harness.makeBar(1);
    // Far into each screen, then each side of the edge they share.
    const std::pair<platform::Point, bool> pointers[] = {
        {{2000, 500}, true}, {{100, 500}, false}, {{1440, 500}, true}, {{1439, 500}, false}};
    for (const auto& [pointer, onRight] : pointers) {
        SCOPED_TRACE(testing::Message() << pointer.x << "," << pointer.y);
        harness.desktop->setMouseLocation(pointer);
        harness.loop.advance(1.0);
        harness.desktop->setModifierFlags(platform::ModifierFlags::command);
        harness.loop.advance(0.05);
        harness.desktop->setModifierFlags(0);
        harness.loop.advance(0.5);
        EXPECT_EQ(right->showingMainMenu.value(), onRight);
        EXPECT_EQ(left->showingMainMenu.value(), !onRight);
        harness.desktop->injectEvent({EventType::keyDown, platform::KeyCode::escape},
                                     platform::sim::EventTarget::thisApplication);
        EXPECT_FALSE(left->showingMainMenu.value() || right->showingMainMenu.value());
    }
}
