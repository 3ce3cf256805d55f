#pragma once

#include <QPointF>
#include <QRect>
#include <string>
#include <vector>

#include "platform/system/Screen.h"

class QScreen;

namespace platform::qt {

// One of Qt's screens as Qt reports it. Qt places each screen's top-left corner in one desktop
// but sizes it in its own scale, so screens of different scale do not meet edge to edge: a
// position converts only through the screen it lies on.
struct QtScreen {
    std::string identifier;
    std::string name;
    QRect geometry;
    QRect availableGeometry;
    double devicePixelRatio = 1.0;
};

// A platform screen and where Qt shows the same display.
struct ScreenPlacement {
    Screen screen;
    QRect qtGeometry;
};

// The largest height in device pixels the program's own windows have reserved at the bottom of a
// screen. The area a screen leaves to windows counts it as free, so that a screen does not change
// when the program's bar reserves its place or gives it back. X11 has one work area for all
// monitors: a reservation on one takes as much from the bottom of every monitor along that edge.
void noteOwnBottomReservation(int devicePixels);
int ownBottomReservation();
// `available` (in a screen of `geometry` and scale `ratio`) with a gap at the bottom of up to
// `ownReservation` device pixels given back; a larger gap is another program's and stays.
QRect availableWithoutOwnReservation(const QRect& geometry, const QRect& available, double ratio,
                                     int ownReservation);

// The identifier a QScreen keeps while it stays connected: its name, and its serial when known.
// On X11 the name is the RandR monitor's, by which the X11 desktop pairs its monitors with the
// screens.
std::string screenIdentifier(const QScreen& screen);
std::vector<QtScreen> qtScreens();

// Qt's screens in the platform's coordinates: the first screen's bottom-left corner is the
// origin and y grows upwards.
std::vector<Screen> platformScreens(const std::vector<QtScreen>& screens);

// Pairs each platform screen with a Qt screen: the one with the same identifier, else the one at
// the same position in the list, else Qt's first screen (the platform's screens may be a
// scenario's own while Qt has a single virtual screen).
std::vector<ScreenPlacement> placements(const std::vector<Screen>& screens, const std::vector<QtScreen>& qt);
// The platform's current screen list paired with Qt's screens; Qt's own screens when the
// platform has none yet.
std::vector<ScreenPlacement> currentPlacements();

// Converts through the screen holding most of the rectangle (or the nearest one).
QRect toQt(const Rect& frame, const std::vector<ScreenPlacement>& placements);
Rect fromQt(const QRect& geometry, const std::vector<ScreenPlacement>& placements);
QPointF toQt(const Point& point, const std::vector<ScreenPlacement>& placements);
Point fromQt(const QPointF& point, const std::vector<ScreenPlacement>& placements);

}  // namespace platform::qt
