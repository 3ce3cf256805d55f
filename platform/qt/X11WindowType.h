#pragma once

#include <QRegion>

class QWidget;

namespace platform::qt {

// On an X11 display, makes the window a dock: above others, on every desktop, out of task lists
// and pagers. Must come before the window is mapped. Elsewhere it does nothing, as do the
// functions below.
void makeX11Dock(QWidget* window);

// Tells a window manager that manages the mapped window already the dock's states and desktop
// (which it reads from the properties only when it takes a window over).
void sendX11DockState(QWidget* window);

// Pointer input reaches the window only inside `region` (in the widget's coordinates); elsewhere
// it goes to what lies below. Where no compositing manager runs, the window is also cut to the
// region, since its clear parts would show black.
void setX11VisibleRegion(QWidget* window, const QRegion& region);

// Reserves `height` points at the bottom of the window's screen (0: nothing), so that windows the
// window manager maximises stop above them.
void setX11BottomStrut(QWidget* window, double height);

// Whether the window manager leaves the window alone (override-redirect). Takes effect at the
// window's next mapping; the native window stays the same.
void setX11OverrideRedirect(QWidget* window, bool bypass);

}  // namespace platform::qt
