#pragma once
// An Xorg server of the test's own with the dummy video driver, for layouts of several monitors,
// which Xvfb cannot show Qt: the monitors are RandR monitors over one large framebuffer.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

class XorgSession : public DisplaySession {
public:
    struct Monitor {
        std::string name;
        int x = 0, y = 0, width = 0, height = 0;
    };

    // The first monitor is the primary one; together they fit in 4096 by 4096 pixels. `ready` false, with the
    // reason in `whyNot`, when Xorg cannot start here (not allowed to, or no dummy driver).
    explicit XorgSession(const std::vector<Monitor>& monitors) : DisplaySession(5) {
        auto config = home / "xorg.conf";
        std::ofstream(config) << "Section \"ServerFlags\"\n"
                                 "  Option \"AutoAddDevices\" \"false\"\n"
                                 "  Option \"AutoAddGPU\" \"false\"\n"
                                 "  Option \"DontVTSwitch\" \"true\"\n"
                                 "EndSection\n"
                                 "Section \"Device\"\n  Identifier \"dummy\"\n  Driver \"dummy\"\n"
                                 "  VideoRam 256000\nEndSection\n"
                                 "Section \"Screen\"\n  Identifier \"screen\"\n  Device \"dummy\"\n"
                                 "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n"
                                 "    Virtual 4096 4096\n  EndSubSection\nEndSection\n";
        auto number = home / "display";
        spawn({"sh", "-c",
               "exec Xorg -config " + config + " -noreset -nolisten tcp -logfile " + (home / "xorg.log") +
                   " -displayfd 3 3>" + number});
        display = useDisplayFrom(number, home / "config");
        if (display.empty()) {
            whyNot = "Xorg with the dummy driver does not start here";
            return;
        }
        if (!setMonitors(monitors)) {
            whyNot = "xrandr cannot set the monitors";
            return;
        }
        ready = startOpenbox(processes_, home.path());
        if (!ready) whyNot = "openbox did not start";
    }

    // The framebuffer grows to hold the monitors.
    bool setMonitors(const std::vector<Monitor>& monitors) {
        int width = 64, height = 64;
        for (const auto& monitor : monitors) {
            width = std::max(width, monitor.x + monitor.width);
            height = std::max(height, monitor.y + monitor.height);
        }
        std::string script = "true";
        // The output shows the whole framebuffer, so the pointer reaches every monitor.
        auto w = std::to_string(width), h = std::to_string(height);
        auto mode = "fb" + w + "x" + h;
        auto timing = [](int size) {
            return std::to_string(size) + " " + std::to_string(size + 8) + " " + std::to_string(size + 16) +
                   " " + std::to_string(size + 24);
        };
        script += " && xrandr --output DUMMY0 --mode 640x480 --fb " + w + "x" + h +
                  " && { xrandr --newmode " + mode + " 10 " + timing(width) + " " + timing(height) +
                  " 2>/dev/null; xrandr --addmode DUMMY0 " + mode +
                  " 2>/dev/null; true; } && xrandr --output DUMMY0 --mode " + mode;
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            const auto& m = monitors[i];
            // Millimetres of a 96 dpi screen, so no scale follows from the size.
            auto geometry = std::to_string(m.width) + "/" + std::to_string(m.width * 254 / 960) + "x" +
                            std::to_string(m.height) + "/" + std::to_string(m.height * 254 / 960) + "+" +
                            std::to_string(m.x) + "+" + std::to_string(m.y);
            script += " && xrandr --setmonitor '" + std::string(i == 0 ? "*" : "") + m.name + "' " +
                      geometry + (i == 0 ? " DUMMY0" : " none");
        }
        return run({"sh", "-c", script}) == 0;
    }

    // Runs a program on the display to its end (at most 30 seconds); its exit status.
    int run(const std::vector<std::string>& arguments) {
        auto pid = TestProcesses::start(arguments);
        int status = 0;
        if (pid <= 0) return -1;
        if (!waitFor([&] { return waitpid(pid, &status, WNOHANG) != 0; }, 30)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Why `ready` is false.
    std::string whyNot;
};
