#include <gtest/gtest.h>

#include <QApplication>
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
};

// A window whose own close counts, as a subclass overriding close would.
struct CountingWindow : Window {
    using Window::Window;
    int closes = 0;
    void close() override {
        ++closes;
        Window::close();
    }
};

class WindowTest : public ::testing::Test {
protected:
    void TearDown() override { loop.runUntilIdle(); }
    GuiTestLoop loop;
};

}  // namespace

TEST_F(WindowTest, KeyAndMainMoveBetweenWindowsThatAcceptThem) {
    auto firstEvents = std::make_shared<RecordingDelegate>();
    auto secondEvents = std::make_shared<RecordingDelegate>();
    Window first(Rect::make(100, 100, 300, 200));
    Window second(Rect::make(150, 150, 300, 200));
    first.setDelegate(firstEvents);
    second.setDelegate(secondEvents);
    first.makeKeyAndOrderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(first.isKeyWindow());
    EXPECT_TRUE(first.isMainWindow());

    second.makeKeyAndOrderFront();
    loop.runUntilIdle();
    EXPECT_FALSE(first.isKeyWindow());
    EXPECT_FALSE(first.isMainWindow());
    EXPECT_TRUE(second.isKeyWindow());
    std::vector<std::string> firstExpected{"becomeKey", "becomeMain", "visible", "resignKey", "resignMain"};
    EXPECT_EQ(firstEvents->events, firstExpected);
    std::vector<std::string> secondExpected{"becomeKey", "becomeMain", "visible"};
    EXPECT_EQ(secondEvents->events, secondExpected);
}

TEST_F(WindowTest, BorderlessAndFrontOrderedWindowsLeaveTheKeyWindowAlone) {
    auto events = std::make_shared<RecordingDelegate>();
    Window settings(Rect::make(100, 100, 300, 200));
    settings.setDelegate(events);
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    Window other(Rect::make(150, 150, 300, 200));
    settings.makeKeyAndOrderFront();
    loop.runUntilIdle();

    bar.makeKeyAndOrderFront();
    other.orderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(settings.isKeyWindow());
    EXPECT_FALSE(bar.isKeyWindow());
    EXPECT_FALSE(other.isKeyWindow());
    EXPECT_TRUE(bar.isVisible());
    EXPECT_TRUE(other.isVisible());
    std::vector<std::string> expected{"becomeKey", "becomeMain", "visible"};
    EXPECT_EQ(events->events, expected);

    // Hiding the key window gives up key status.
    settings.orderOut();
    loop.runUntilIdle();
    EXPECT_FALSE(settings.isKeyWindow());
}

TEST_F(WindowTest, ABorderlessSubclassMayAcceptKeyStatus) {
    struct MenuWindow : Window {
        using Window::Window;
        bool canBecomeKeyWindow() const override { return true; }
        bool canBecomeMainWindow() const override { return true; }
    };
    MenuWindow menu(Rect::make(0, 0, 800, 640), WindowStyleMask::borderless);
    menu.makeKeyAndOrderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(menu.isKeyWindow());
    EXPECT_TRUE(menu.isMainWindow());
    EXPECT_FALSE(menu.widget()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(WindowTest, CloseTellsTheDelegateOnceAndTheCloseButtonClosesThroughTheSubclass) {
    auto events = std::make_shared<RecordingDelegate>();
    CountingWindow window(Rect::make(100, 100, 300, 200));
    window.setDelegate(events);
    window.makeKeyAndOrderFront();
    loop.runUntilIdle();

    // What the window manager's close button does.
    window.widget()->close();
    loop.runUntilIdle();
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isKeyWindow());
    window.close();
    EXPECT_EQ(std::count(events->events.begin(), events->events.end(), "willClose"), 1);

    // A closed window can be shown and closed again.
    window.makeKeyAndOrderFront();
    loop.runUntilIdle();
    window.close();
    EXPECT_EQ(std::count(events->events.begin(), events->events.end(), "willClose"), 2);
}

TEST_F(WindowTest, AWindowReleasedWhileItHandlesItsCloseButtonGoesAwaySafely) {
    struct Releaser : WindowDelegate {
        std::unique_ptr<Window> window;
        void windowWillClose(Window&) override { window.reset(); }
    };
    auto releaser = std::make_shared<Releaser>();
    releaser->window = std::make_unique<Window>(Rect::make(100, 100, 300, 200));
    releaser->window->setDelegate(releaser);
    releaser->window->makeKeyAndOrderFront();
    loop.runUntilIdle();
    QPointer<QWidget> widget = releaser->window->widget();
    widget->close();
    EXPECT_FALSE(releaser->window);
    loop.runUntilIdle();
    EXPECT_TRUE(widget.isNull());
}

TEST_F(WindowTest, OcclusionFollowsShowingAndHidingAndIsPostedForEveryWindow) {
    int posted = 0;
    auto token = NotificationCenter::defaultCenter()->addObserver(Window::didChangeOcclusionStateNotification,
                                                                  [&](const Notification&) { ++posted; });
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    EXPECT_FALSE(bar.occlusionStateVisible());
    bar.orderFront();
    loop.runUntilIdle();
    EXPECT_TRUE(bar.occlusionStateVisible());
    bar.orderFront();
    loop.runUntilIdle();
    EXPECT_EQ(posted, 1);
    bar.orderOut();
    loop.runUntilIdle();
    EXPECT_FALSE(bar.occlusionStateVisible());
    EXPECT_EQ(posted, 2);
    NotificationCenter::defaultCenter()->removeObserver(token);
}

TEST_F(WindowTest, StyleLevelAndBackgroundMapToQtFlags) {
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    bar.setLevel(WindowLevel::screenSaver);
    bar.setCollectionBehavior(WindowCollectionBehavior::moveToActiveSpace |
                              WindowCollectionBehavior::fullScreenAuxiliary);
    bar.setBackgroundColor(Qt::transparent);
    bar.setHasShadow(false);
    bar.orderFront();
    loop.runUntilIdle();
    auto flags = bar.widget()->windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::NoDropShadowWindowHint);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(bar.widget()->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(static_cast<std::uint64_t>(bar.collectionBehavior()), 0x102u);

    Window settings(Rect::make(100, 100, 400, 400),
                    WindowStyleMask::titled | WindowStyleMask::closable | WindowStyleMask::miniaturizable);
    settings.orderFront();
    loop.runUntilIdle();
    flags = settings.widget()->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(settings.widget()->testAttribute(Qt::WA_TranslucentBackground));
    // Not resizable: the user cannot change its size.
    EXPECT_EQ(settings.widget()->minimumSize(), settings.widget()->maximumSize());

    // Changing the style of a shown window keeps it shown.
    settings.setStandardButtonsHidden(true);
    loop.runUntilIdle();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(settings.widget()->windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(WindowTest, AWindowMadeAroundAViewTakesItsSizeAndOwnsIt) {
    auto* label = new QLabel("Settings");
    label->setFixedSize(400, 400);
    QPointer<QLabel> watched(label);
    {
        Window window(label);
        EXPECT_EQ(window.contentView(), label);
        EXPECT_EQ(window.frame().size, (Size{400, 400}));
        window.orderFront();
        loop.runUntilIdle();
        EXPECT_EQ(label->size(), QSize(400, 400));
    }
    loop.runUntilIdle();
    EXPECT_TRUE(watched.isNull());
}
