#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/qt/QtViewFactory.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

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

TEST(Window, KeyAndMainMoveOnlyBetweenWindowsThatAcceptThemAndStylesMapToQtFlags) {
    GuiTestLoop loop;
    auto events = std::make_shared<RecordingDelegate>(), secondEvents = std::make_shared<RecordingDelegate>();
    Window first(Rect::make(100, 100, 300, 200)), second(Rect::make(150, 150, 300, 200));
    Window bar(Rect::make(0, 0, 800, 86), WindowStyleMask::borderless);
    bar.setLevel(WindowLevel::screenSaver);
    bar.setCollectionBehavior(WindowCollectionBehavior::moveToActiveSpace);
    bar.setBackgroundColor(Qt::transparent);
    bar.setHasShadow(false);
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
    EXPECT_EQ(bar.widget()->windowFlags(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                               Qt::NoDropShadowWindowHint | Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(bar.widget()->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(events->events, (std::vector<std::string>{"becomeKey", "becomeMain", "visible", "resignKey",
                                                        "resignMain", "occluded", "visible"}));
    EXPECT_EQ(secondEvents->events, (std::vector<std::string>{"becomeKey", "becomeMain", "visible"}));
    EXPECT_EQ(posted, 5) << "once for every change of any window";
    NotificationCenter::defaultCenter()->removeObserver(token);
    // Hiding the key window gives up key status; closing tells the delegate once, and a closed
    // window can be shown and closed again.
    second.orderOut();
    first.close();
    first.close();
    loop.runUntilIdle();
    EXPECT_FALSE(second.isKeyWindow());
    first.makeKeyAndOrderFront();
    loop.runUntilIdle();
    first.close();
    EXPECT_EQ(std::ranges::count(events->events, "willClose"), 2);
    // Moved by Qt (the user or the window manager), it takes the new place as its frame.
    auto before = bar.frame();
    bar.widget()->move(bar.widget()->pos() + QPoint(10, 0));
    loop.runUntilIdle();
    EXPECT_EQ(bar.frame().origin.x, before.origin.x + 10);
    // The view comes from the handle models carry.
    EXPECT_FALSE(makeView(ViewFactory()) || makeViewFactory({}));
    QPointer<QWidget> label = makeView(makeViewFactory([] {
                                  auto* view = new QLabel("Settings");
                                  view->setFixedSize(400, 400);
                                  return view;
                              })).release();
    {
        Window settings(
            label, WindowStyleMask::titled | WindowStyleMask::closable | WindowStyleMask::miniaturizable);
        EXPECT_TRUE(settings.contentView() == label && settings.frame().size == (Size{400, 400}));
        settings.orderFront();
        loop.runUntilIdle();
        EXPECT_EQ(settings.widget()->windowFlags(),
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
        // Not resizable: the user cannot change its size.
        EXPECT_EQ(settings.widget()->minimumSize(), settings.widget()->maximumSize());
        // Changing the style of a shown window keeps it shown.
        settings.setStandardButtonsHidden(true);
        loop.runUntilIdle();
        EXPECT_TRUE(settings.isVisible() && !(settings.widget()->windowFlags() & Qt::WindowCloseButtonHint));
    }
    loop.runUntilIdle();
    EXPECT_TRUE(label.isNull()) << "the window owns its view";
}

// A clear window leaves its own frames to the backing store's clearing, but drawn into another
// picture it still clears what lies under it.
TEST(Window, AClearWindowRendersClearOverWhatIsUnderIt) {
    GuiTestLoop loop;
    Window window(Rect::make(0, 0, 40, 20), WindowStyleMask::borderless);
    window.setBackgroundColor(Qt::transparent);
    window.orderFront();
    loop.runUntilIdle();
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    window.widget()->render(&image);
    EXPECT_EQ(image.pixel(5, 5), qRgba(0, 0, 0, 0));
    EXPECT_EQ(image.pixel(39, 19), qRgba(0, 0, 0, 0));
}
