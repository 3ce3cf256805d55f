#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

namespace {

struct RecordingDelegate : WindowDelegate {
    std::vector<std::string> events;
    void windowDidBecomeKey(Window&) override { events.push_back("becomeKey"); }
    void windowDidResignKey(Window&) override { events.push_back("resignKey"); }
    void windowDidBecomeMain(Window&) override { events.push_back("becomeMain"); }
    void windowDidResignMain(Window&) override { events.push_back("resignMain"); }
    void windowWillClose(Window&) override { events.push_back("willClose"); }
    void windowDidChangeOcclusionState(Window& window) override {
        events.push_back(window.occlusionStateVisible() ? "visible" : "occluded");
    }
    long closes() const { return std::count(events.begin(), events.end(), "willClose"); }
};

class WindowTest : public ::testing::Test {
protected:
    void TearDown() override { loop.runUntilIdle(); }
    GuiTestLoop loop;
    std::shared_ptr<RecordingDelegate> events = std::make_shared<RecordingDelegate>();
};

}  // namespace

TEST_F(WindowTest, KeyAndMainMoveOnlyBetweenWindowsThatAcceptThem) {
    auto secondEvents = std::make_shared<RecordingDelegate>();
    Window first(Rect::make(100, 100, 300, 200)), second(Rect::make(150, 150, 300, 200));
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    first.setDelegate(events);
    second.setDelegate(secondEvents);
    int posted = 0;
    auto token = NotificationCenter::defaultCenter()->addObserver(Window::didChangeOcclusionStateNotification,
                                                                  [&](const Notification&) { ++posted; });
    first.makeKeyAndOrderFront();
    loop.runUntilIdle();
    second.makeKeyAndOrderFront();
    loop.runUntilIdle();
    // A borderless window, and one only ordered front, leave the key window alone.
    bar.makeKeyAndOrderFront();
    first.orderOut();
    first.orderFront();
    first.orderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(second.isKeyWindow() && second.isMainWindow());
    EXPECT_FALSE(bar.isKeyWindow() || first.isKeyWindow() || first.isMainWindow());
    EXPECT_TRUE(bar.isVisible() && first.isVisible());
    EXPECT_EQ(events->events, (std::vector<std::string>{"becomeKey", "becomeMain", "visible", "resignKey",
                                                        "resignMain", "occluded", "visible"}));
    EXPECT_EQ(secondEvents->events, (std::vector<std::string>{"becomeKey", "becomeMain", "visible"}));
    EXPECT_EQ(posted, 5) << "once for every change of any window";
    NotificationCenter::defaultCenter()->removeObserver(token);
    // Hiding the key window gives up key status.
    second.orderOut();
    loop.runUntilIdle();
    EXPECT_FALSE(second.isKeyWindow());

    struct MenuWindow : Window {
        using Window::Window;
        bool canBecomeKeyWindow() const override { return true; }
        bool canBecomeMainWindow() const override { return true; }
    } menu(Rect::make(0, 0, 800, 640), WindowStyleMask::borderless);
    menu.makeKeyAndOrderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(menu.isKeyWindow() && menu.isMainWindow()) << "a borderless subclass may accept";
    EXPECT_FALSE(menu.widget()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(WindowTest, CloseTellsTheDelegateOnceAndTheCloseButtonClosesThroughTheSubclass) {
    struct CountingWindow : Window {
        using Window::Window;
        int closes = 0;
        void close() override {
            ++closes;
            Window::close();
        }
    } window(Rect::make(100, 100, 300, 200));
    window.setDelegate(events);
    window.makeKeyAndOrderFront();
    loop.runUntilIdle();
    window.widget()->close();  // what the window manager's close button does
    loop.runUntilIdle();
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.isVisible() || window.isKeyWindow());
    window.close();
    EXPECT_EQ(events->closes(), 1);
    // A closed window can be shown and closed again.
    window.makeKeyAndOrderFront();
    loop.runUntilIdle();
    window.close();
    EXPECT_EQ(events->closes(), 2);
}

TEST_F(WindowTest, AWindowReleasedWhileItHandlesItsCloseButtonGoesAwaySafely) {
    struct Releaser : WindowDelegate {
        std::unique_ptr<Window> window = std::make_unique<Window>(Rect::make(100, 100, 300, 200));
        void windowWillClose(Window&) override { window.reset(); }
    };
    auto releaser = std::make_shared<Releaser>();
    releaser->window->setDelegate(releaser);
    releaser->window->makeKeyAndOrderFront();
    loop.runUntilIdle();
    QPointer<QWidget> widget = releaser->window->widget();
    widget->close();
    EXPECT_FALSE(releaser->window);
    loop.runUntilIdle();
    EXPECT_TRUE(widget.isNull());
}

TEST_F(WindowTest, StyleLevelAndBackgroundMapToQtFlagsAndAWindowAroundAViewTakesItsSizeAndOwnsIt) {
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    bar.setLevel(WindowLevel::screenSaver);
    bar.setCollectionBehavior(WindowCollectionBehavior::moveToActiveSpace);
    bar.setBackgroundColor(Qt::transparent);
    bar.setHasShadow(false);
    bar.orderFront();
    loop.runUntilIdle();
    EXPECT_EQ(bar.widget()->windowFlags(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                               Qt::NoDropShadowWindowHint | Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(bar.widget()->testAttribute(Qt::WA_TranslucentBackground));

    QPointer<QLabel> label = new QLabel("Settings");
    label->setFixedSize(400, 400);
    {
        Window settings(
            label, WindowStyleMask::titled | WindowStyleMask::closable | WindowStyleMask::miniaturizable);
        EXPECT_EQ(settings.contentView(), label);
        EXPECT_EQ(settings.frame().size, (Size{400, 400}));
        settings.orderFront();
        loop.runUntilIdle();
        EXPECT_EQ(settings.widget()->windowFlags(),
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
        EXPECT_FALSE(settings.widget()->testAttribute(Qt::WA_TranslucentBackground));
        // Not resizable: the user cannot change its size.
        EXPECT_EQ(settings.widget()->minimumSize(), settings.widget()->maximumSize());
        // Changing the style of a shown window keeps it shown.
        settings.setStandardButtonsHidden(true);
        loop.runUntilIdle();
        EXPECT_TRUE(settings.isVisible());
        EXPECT_FALSE(settings.widget()->windowFlags() & Qt::WindowCloseButtonHint);
    }
    loop.runUntilIdle();
    EXPECT_TRUE(label.isNull()) << "the window owns its view";
}
