#pragma once
// An X server of the test's own for the tests and benchmarks that need a real display.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TemporaryFolder.h"

extern char** environ;

// Polls `condition` until it holds, for at most `seconds` (generous: a loaded machine is slow to
// start programs), running `between` after each try.
inline bool waitFor(const std::function<bool()>& condition, double seconds = 30,
                    const std::function<void()>& between = {}) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (between) between();
    }
    return true;
}

// The processes a test starts, their output silenced (a server that outlives a crashed test must
// not hold the test runner's pipe); asked to end last first when it ends, killed after `grace`
// seconds. A test that crashes or is killed takes them with it.
class TestProcesses {
public:
    explicit TestProcesses(double grace) : grace_(grace) {}
    ~TestProcesses() {
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            int status = 0;
            kill(*it, SIGTERM);
            if (waitFor([&] { return waitpid(*it, &status, WNOHANG) != 0; }, grace_)) continue;
            kill(*it, SIGKILL);
            waitpid(*it, &status, 0);
        }
    }
    TestProcesses(const TestProcesses&) = delete;
    TestProcesses& operator=(const TestProcesses&) = delete;

    // A process kept until the end; its pid, 0 when it cannot start.
    pid_t spawn(const std::vector<std::string>& arguments) {
        auto pid = start(arguments);
        if (pid > 0) children_.push_back(pid);
        return pid;
    }
    // A process left to the caller; its pid, 0 when it cannot start. It is asked to end when the
    // test's process ends, however that ends.
    static pid_t start(const std::vector<std::string>& arguments) {
        auto program = pathOf(arguments.at(0));
        if (program.empty()) return 0;
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            // Only what is safe between fork and exec in a process with threads.
            if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
            int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
            if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(127);
            execve(program.c_str(), argv.data(), environ);
            _exit(127);
        }
        return pid > 0 ? pid : 0;
    }
    // `name` as the shell finds it on $PATH; empty when it is not there.
    static std::string pathOf(const std::string& name) {
        if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
        const char* path = std::getenv("PATH");
        std::string folders = path ? path : "/usr/bin:/bin";
        for (std::size_t at = 0; at <= folders.size();) {
            auto end = std::min(folders.find(':', at), folders.size());
            auto candidate = (end > at ? folders.substr(at, end - at) : ".") + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
            at = end + 1;
        }
        return {};
    }

private:
    double grace_;
    std::vector<pid_t> children_;
};

// The display a server started with `-displayfd 3 3>FILE` names, once it listens: set as DISPLAY,
// with a configuration folder of the session's own. Empty when the server did not come up.
inline std::string useDisplayFrom(const std::string& file, const std::string& configHome) {
    if (!waitFor([&] { return test_support::readWholeFile(file).ends_with("\n"); })) return {};
    auto display = ":" + std::to_string(std::stoi(test_support::readWholeFile(file)));
    setenv("DISPLAY", display.c_str(), 1);
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    return display;
}

// Openbox, until it manages windows: it announces itself before that, its start-up command runs
// after.
inline bool startOpenbox(TestProcesses& processes, const std::string& folder) {
    auto started = folder + "/openbox-started";
    processes.spawn({"openbox", "--sm-disable", "--startup", "touch " + started});
    return waitFor([&] { return access(started.c_str(), F_OK) == 0; });
}

// What the test servers share: a folder of their own, the display, and the programs a test starts
// on it, stopped when the session ends.
class DisplaySession {
public:
    // A process on the display, its output and errors silenced, stopped with the session; its pid.
    pid_t spawn(const std::vector<std::string>& arguments) { return processes_.spawn(arguments); }
    // The test client: `x11_test_client CLASS TITLE SIZE [options]`.
    pid_t client(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), X11_TEST_CLIENT);
        return spawn(arguments);
    }

    test_support::TemporaryFolder home;
    std::string display;
    bool ready = false;

protected:
    explicit DisplaySession(double grace) : processes_(grace) {
        // No session bus, for the test and its programs: an address where none listens, so that
        // none starts one through the display (dbus-launch, GIO launching an application
        // included), which would outlive the test. A test that wants one makes its own.
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home / "no-session-bus").c_str(), 1);
        // GTK programs would look for an accessibility bus all the same.
        setenv("NO_AT_BRIDGE", "1", 1);
    }
    // After `home`, so the processes end before their folder goes.
    TestProcesses processes_;
};

// An Xvfb of its own (a free display through -displayfd) with openbox.
class X11Session : public DisplaySession {
public:
    explicit X11Session(bool windowManager = true) : DisplaySession(2) {
        // Xvfb takes a free display and writes its number to the file once it listens. It never
        // resets: a test whose only client comes and goes must not meet a server in mid-reset.
        auto number = home / "display";
        spawn(
            {"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>" + number});
        display = useDisplayFrom(number, home / "config");
        if (display.empty()) return;
        ready = !windowManager || startOpenbox(processes_, home.path());
    }
};
