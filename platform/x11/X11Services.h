#pragma once
// The services the X11 desktop offers, each over the desktop it is given.

#include <memory>

namespace platform {
class Accessibility;
class AppleScript;
class Application;
class WindowList;
class Workspace;
}  // namespace platform

namespace platform::x11 {

class X11Desktop;

std::shared_ptr<Workspace> makeX11Workspace(std::weak_ptr<X11Desktop> desktop);
std::shared_ptr<Accessibility> makeX11Accessibility(std::weak_ptr<X11Desktop> desktop);
std::shared_ptr<WindowList> makeX11WindowList(std::weak_ptr<X11Desktop> desktop);
std::shared_ptr<Application> makeX11Application(std::weak_ptr<X11Desktop> desktop);
std::shared_ptr<AppleScript> makeX11AppleScript();

}  // namespace platform::x11
