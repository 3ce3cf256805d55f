#pragma once

#include <functional>
#include <memory>

#include "platform/system/Geometry.h"
#include "platform/system/Screen.h"

namespace Velmora {

// The main-menu window as a bar's model drives it. The view side implements it around its own
// window and installs a factory; the models never see the widget. Main thread only.
class MainMenuWindow {
public:
    using OnClose = std::function<void(const std::shared_ptr<MainMenuWindow>&)>;

    // What the window shows: the main menu of `screen`, which calls `closeClosure` to close itself.
    struct Content {
        platform::Screen screen;
        double cornerRadius = 12.0;
        std::function<void()> closeClosure;
    };
    // Builds a window around the menu; none when no window can be made.
    using Factory = std::function<std::shared_ptr<MainMenuWindow>(const Content&)>;

    virtual ~MainMenuWindow() = default;

    // Close the window when it stops being the main window.
    virtual void setCloseOnResignKey(bool value) = 0;
    // Remembers the screen and the handler, which runs once per close, and brings the window to
    // the front on the next turn of the main queue.
    virtual void setup(const platform::Screen& display, OnClose onClose) = 0;
    // In the platform's global coordinates.
    virtual void setFrame(const platform::Rect& frame, bool display) = 0;
    virtual void makeKeyAndOrderFront() = 0;
    virtual void close() = 0;

    // The process-wide factory; without one the bars open and close their menu without a window.
    static void setFactory(Factory factory);
    static const Factory& factory();
};

// The keeper of the program's open windows (the application object). A bar lists its menu window
// there while the menu is open, so that rebuilding the bars closes it too.
class WindowControllerList {
public:
    virtual ~WindowControllerList() = default;

    virtual void appendWindowController(const std::shared_ptr<MainMenuWindow>& window) = 0;
    // Removes every entry that is this very window.
    virtual void removeWindowController(const std::shared_ptr<MainMenuWindow>& window) = 0;
};

}  // namespace Velmora
