#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "platform/system/Event.h"
#include "platform/system/Screen.h"
#include "platform/system/WindowList.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/x11/XorgSession.h"

using platform::Rect;
using platform::Screen;
using platform::Screens;
using platform::x11::X11Desktop;

namespace {

// The platform's screens as the program sees them through Qt on the session's display.
std::vector<Screen> probedScreens(XorgSession& session, const std::string& scaleFactors) {
    std::vector<Screen> screens;
#ifdef X11_SCREENS_PROBE
    auto output = (session.home / "screens");
    session.run({"sh", "-c",
                 "QT_QPA_PLATFORM=xcb QT_SCREEN_SCALE_FACTORS='" + scaleFactors +
                     "' exec " X11_SCREENS_PROBE " >" + output});
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

// The frames the window list hands over for the windows titled "Film NAME" of the monitors, as
// "X,Y WxH; ..." (empty where a window does not show yet).
std::string filmFrames(X11Desktop& desktop, const std::vector<XorgSession::Monitor>& monitors) {
    std::map<std::string, std::string> frames;
    for (const auto& info : desktop.windowList()->copyWindowInfo(platform::WindowListOption::all)) {
        auto name = info.find("kCGWindowName");
        auto bounds = info.find("kCGWindowBounds");
        if (name == info.end() || !name->second.stringValue() || bounds == info.end()) continue;
        const auto& bound = *bounds->second.dictionaryValue();
        auto part = [&](const char* key) { return *bound.at(key).doubleValue(); };
        std::ostringstream frame;
        frame << part("X") << "," << part("Y") << " " << part("Width") << "x" << part("Height");
        frames[*name->second.stringValue()] = frame.str();
    }
    std::string text;
    for (const auto& monitor : monitors) text += frames["Film " + monitor.name] + "; ";
    return text;
}

}  // namespace

// Qt and the window list must agree on every monitor, whatever its place and scale: a full-screen
// window on a monitor is handed over with exactly its screen's frame, also after the scales change.
TEST(XorgScreens, FullScreenWindowsAreHandedOverWithTheirOwnScreensFrame) {
#ifndef X11_SCREENS_PROBE
    GTEST_SKIP() << "built without Qt";
#endif
    const struct {
        std::vector<XorgSession::Monitor> monitors;
        std::string scaleFactors;
        // Where each monitor shows, in window coordinates: top-left of the first screen, y down.
        std::string places;
        // The pointer 200,100 pixels into the second monitor, in its screen's points, y up from the first
        // screen's bottom.
        platform::Point pointer;
        // Scales the screens change to while the windows and the pointer stay, where the monitors
        // then show and where the pointer then is.
        std::string rescaled, rescaledPlaces;
        platform::Point rescaledPointer;
    } layouts[] = {
        {{{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1280, 1024}},
         "",
         "0,0 1920x1080; 1920,0 1280x1024; ",
         {2120, 980},
         "B=2",
         "0,0 1920x1080; 1920,0 640x512; ",
         {2020, 1030}},
        {{{"A", 1280, 1024, 1920, 1080}, {"B", 0, 0, 1280, 1024}},
         "",
         "0,0 1920x1080; -1280,-1024 1280x1024; ",
         {-1080, 2004},
         "A=2",
         "0,0 960x540; -1280,-1024 1280x1024; ",
         {-1080, 1464}},
        {{{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1920, 1080}},
         "A=1;B=2",
         "0,0 1920x1080; 1920,0 960x540; ",
         {2020, 1030},
         "A=1;B=1",
         "0,0 1920x1080; 1920,0 1920x1080; ",
         {2120, 980}},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.places);
        XorgSession session(layout.monitors);
        if (!session.ready) GTEST_SKIP() << session.whyNot;
        Screens::update(probedScreens(session, layout.scaleFactors));
        X11Desktop::Options options;
        options.consentPath = session.home / "consent";
        std::string error;
        auto desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
        for (const auto& monitor : layout.monitors)
            session.client({"Player", "Film " + monitor.name, "300x200", "fullscreen",
                            "at=" + std::to_string(monitor.x + 40) + "," + std::to_string(monitor.y + 40)});
        EXPECT_TRUE(waitFor([&] { return filmFrames(*desktop, layout.monitors) == layout.places; }))
            << filmFrames(*desktop, layout.monitors);
        const auto& second = layout.monitors[1];
        auto events = desktop->eventMonitors();
        EXPECT_TRUE(waitFor([&] {
            session.run({"xte", "mousemove " + std::to_string(second.x + 200) + " " +
                                    std::to_string(second.y + 100)});
            return events->mouseLocation() == layout.pointer;
        })) << events->mouseLocation().x
            << "," << events->mouseLocation().y;
        Screens::update(probedScreens(session, layout.rescaled));
        EXPECT_TRUE(waitFor([&] { return filmFrames(*desktop, layout.monitors) == layout.rescaledPlaces; }))
            << filmFrames(*desktop, layout.monitors);
        EXPECT_TRUE(waitFor([&] { return events->mouseLocation() == layout.rescaledPointer; }))
            << events->mouseLocation().x << "," << events->mouseLocation().y;
        desktop.reset();
        Screens::update({});
    }
}
