#pragma once

#include <memory>
#include <optional>
#include <string>

class QObject;

namespace platform::sim {
class SimulatedDesktop;
}
namespace platform::x11 {
class X11Desktop;
class XInputSource;
}  // namespace platform::x11

namespace Velmora {

// Which desktop the program watches: the scenario $VELMORA_DESKTOP names ("demo" for the built-in
// one); else the X11 display when its window manager follows EWMH; else the demo desktop, with one
// line on standard error saying why.
class DesktopChoice {
public:
    // The real desktop, installed as the system with the program's own key events reaching its
    // local monitors; none when the simulated desktop is to run.
    static std::unique_ptr<DesktopChoice> openRealDesktop(bool headless);
    ~DesktopChoice();

    const std::shared_ptr<platform::x11::X11Desktop>& desktop() const { return desktop_; }

    // The display's keys, buttons and pointer outside the program's own windows reach the
    // simulated desktop as other applications' events. None when the display has no XInput 2.
    static std::shared_ptr<platform::x11::XInputSource> feedFromDisplay(
        const std::shared_ptr<platform::sim::SimulatedDesktop>& desktop);

private:
    DesktopChoice() = default;
    std::shared_ptr<platform::x11::X11Desktop> desktop_;
    std::unique_ptr<QObject> keyForwarder_;
};

}  // namespace Velmora
