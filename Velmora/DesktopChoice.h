#pragma once

#include <memory>
#include <optional>

namespace platform::sim {
class SimulatedDesktop;
}
namespace platform::x11 {
class X11Desktop;
class X11InstanceLock;
}  // namespace platform::x11

namespace Velmora {

// Which desktop the program watches: the scenario $VELMORA_DESKTOP names ("demo" for the built-in
// one); else the X11 display when its window manager follows EWMH; else the demo desktop, with one
// line on standard error saying why.
class DesktopChoice {
public:
    // The real desktop, installed as the system; none when the simulated desktop is to run. When
    // the program already runs on this display for this user, that instance is told to come
    // forward and the choice is to end (`exitStatus`), with one line on standard error: status 0
    // when it took the request, 1 when it did not answer in time.
    static std::unique_ptr<DesktopChoice> openRealDesktop(bool headless);
    ~DesktopChoice();

    const std::shared_ptr<platform::x11::X11Desktop>& desktop() const { return desktop_; }
    // Set when the program is to end at once, with this status.
    std::optional<int> exitStatus() const { return exitStatus_; }

    // The display's pointer and modifiers for the simulated desktop, and on X11 its keys, buttons
    // and motion outside the program's own windows as other applications' events. Keep the
    // result while the desktop runs.
    static std::shared_ptr<void> feedFromDisplay(
        const std::shared_ptr<platform::sim::SimulatedDesktop>& desktop);

private:
    DesktopChoice() = default;
    std::unique_ptr<platform::x11::X11InstanceLock> lock_;
    std::shared_ptr<platform::x11::X11Desktop> desktop_;
    std::optional<int> exitStatus_;
};

}  // namespace Velmora
