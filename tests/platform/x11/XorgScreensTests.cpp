#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <sstream>

#include "platform/system/Event.h"
#include "platform/system/Screen.h"
#include "platform/system/WindowList.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Screens.h"
#include "tests/platform/x11/XorgSession.h"

using platform::Rect;
using platform::Screen;
using platform::Screens;
using platform::x11::Monitor;
using platform::x11::ScreenMap;
using platform::x11::X11Desktop;

namespace {

// The platform's screens as the program sees them through Qt on the session's display.
std::vector<Screen> probedScreens(XorgSession& session, const std::string& scaleFactors) {
    std::vector<Screen> screens;
#ifdef X11_SCREENS_PROBE
    auto output = (session.home / "screens");
    session.run({"sh", "-c", std::string("exec ") + X11_SCREENS_PROBE + " >" + output},
                {"QT_QPA_PLATFORM=xcb", "QT_SCREEN_SCALE_FACTORS=" + scaleFactors});
    std::istringstream lines(test_support::readWholeFile(output));
    Screen screen;
    double x, y, w, h;
    while (lines >> screen.identifier >> x >> y >> w >> h >> screen.backingScaleFactor) {
        screen.frame = Rect::make(x, y, w, h);
        screens.push_back(screen);
    }
#else
    (void)session;
    (void)scaleFactors;
#endif
    return screens;
}

std::vector<Monitor> monitorsOf(const std::string& display) {
    int number = 0;
    auto* connection = xcb_connect(display.c_str(), &number);
    auto root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    auto monitors = platform::x11::readMonitors(connection, root);
    xcb_disconnect(connection);
    return monitors;
}

// The frame the window list hands over for the window with this title; empty until it shows.
Rect listedFrame(X11Desktop& desktop, const std::string& title) {
    for (const auto& info : desktop.windowList()->copyWindowInfo(platform::WindowListOption::all)) {
        auto name = info.find("kCGWindowName");
        auto bounds = info.find("kCGWindowBounds");
        if (name == info.end() || !name->second.stringValue() || *name->second.stringValue() != title ||
            bounds == info.end())
            continue;
        const auto& value = *bounds->second.dictionaryValue();
        return Rect::make(*value.at("X").doubleValue(), *value.at("Y").doubleValue(),
                          *value.at("Width").doubleValue(), *value.at("Height").doubleValue());
    }
    return {};
}

struct Layout {
    const char* name;
    std::vector<XorgSession::Monitor> monitors;
    std::string scaleFactors;
    // Where each monitor shows, in window coordinates: top-left of the first screen, y down.
    std::vector<Rect> places;
    // Scales the screens change to while the windows stay, and where the monitors then show.
    std::string rescaled;
    std::vector<Rect> rescaledPlaces;
};

}  // namespace

// Qt and the window list must agree on every monitor, whatever its place and scale: a full-screen
// window on a monitor is handed over with exactly its screen's frame.
TEST(XorgScreens, FullScreenWindowsAreHandedOverWithTheirOwnScreensFrame) {
#ifndef X11_SCREENS_PROBE
    GTEST_SKIP() << "built without Qt";
#endif
    const std::vector<Layout> layouts{
        {"side by side",
         {{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1280, 1024}},
         "",
         {Rect::make(0, 0, 1920, 1080), Rect::make(1920, 0, 1280, 1024)},
         "B=2",
         {Rect::make(0, 0, 1920, 1080), Rect::make(1920, 0, 640, 512)}},
        {"left of and above the first",
         {{"A", 1280, 1024, 1920, 1080}, {"B", 0, 0, 1280, 1024}},
         "",
         {Rect::make(0, 0, 1920, 1080), Rect::make(-1280, -1024, 1280, 1024)},
         "A=2",
         {Rect::make(0, 0, 960, 540), Rect::make(-1280, -1024, 1280, 1024)}},
        {"at scale 2",
         {{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1920, 1080}},
         "A=1;B=2",
         {Rect::make(0, 0, 1920, 1080), Rect::make(1920, 0, 960, 540)},
         "A=1;B=1",
         {Rect::make(0, 0, 1920, 1080), Rect::make(1920, 0, 1920, 1080)}},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.name);
        XorgSession session(layout.monitors);
        if (!session.ready) GTEST_SKIP() << session.whyNot;
        auto monitors = monitorsOf(session.display);
        ASSERT_EQ(monitors.size(), layout.monitors.size());
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            const auto& expected = layout.monitors[i];
            EXPECT_EQ(monitors[i],
                      (Monitor{expected.name,
                               Rect::make(expected.x, expected.y, expected.width, expected.height), i == 0}));
        }
        auto screens = probedScreens(session, layout.scaleFactors);
        ASSERT_EQ(screens.size(), monitors.size());
        auto map = ScreenMap::pair(monitors, screens);
        for (std::size_t i = 0; i < monitors.size(); ++i)
            EXPECT_EQ(map.toLogical(monitors[i].frame), layout.places[i]) << monitors[i].name;

        Screens::update(screens);
        X11Desktop::Options options;
        options.consentPath = session.home.path() + "/consent";
        std::string error;
        auto desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
        for (const auto& monitor : layout.monitors)
            session.client({"Player", "Film " + monitor.name, "300x200", "fullscreen",
                            "at=" + std::to_string(monitor.x + 40) + "," + std::to_string(monitor.y + 40)});
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            auto title = "Film " + monitors[i].name;
            EXPECT_TRUE(waitFor([&] { return listedFrame(*desktop, title) == layout.places[i]; }))
                << title << " " << listedFrame(*desktop, title).origin.x << ","
                << listedFrame(*desktop, title).origin.y << " " << listedFrame(*desktop, title).size.width
                << "x" << listedFrame(*desktop, title).size.height;
        }
        // The pointer on the second monitor reads in that screen's points, y up from the first
        // screen's bottom.
        const auto& second = layout.monitors[1];
        const auto& place = layout.places[1];
        double scale = place.size.width / second.width;
        platform::Point expected{place.origin.x + 200 * scale,
                                 layout.places[0].size.height - (place.origin.y + 100 * scale)};
        auto events = desktop->eventMonitors();
        EXPECT_TRUE(waitFor([&] {
            session.run({"xte", "mousemove " + std::to_string(second.x + 200) + " " +
                                    std::to_string(second.y + 100)});
            return events->mouseLocation() == expected;
        })) << events->mouseLocation().x
            << "," << events->mouseLocation().y;
        // Re-scaled screens move the frames with them.
        Screens::update(probedScreens(session, layout.rescaled));
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            auto title = "Film " + monitors[i].name;
            EXPECT_TRUE(waitFor([&] { return listedFrame(*desktop, title) == layout.rescaledPlaces[i]; }))
                << title << " re-scaled";
        }
        desktop.reset();
        Screens::update({});
    }
}
