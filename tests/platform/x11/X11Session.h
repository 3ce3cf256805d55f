#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/X11Desktop.h"

extern char** environ;

namespace velmora::testing {

// An Xvfb of its own (a free display through -displayfd) with openbox, and the programs a test
// starts on it; everything is stopped when the session ends.
class X11Session {
public:
    explicit X11Session(bool windowManager = true) {
        home_ = "/tmp/velmora-x11-" + std::to_string(getpid()) + "-" + std::to_string(counter()++);
        std::system(("mkdir -p " + home_).c_str());
        int ends[2];
        if (pipe(ends) != 0) return;
        auto fd = std::to_string(ends[1]);
        spawn({"Xvfb", "-displayfd", fd, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        close(ends[1]);
        std::string number;
        pollfd readable{ends[0], POLLIN, 0};
        // Bounded: a server that never answers fails the session.
        while (poll(&readable, 1, 10000) > 0) {
            char buffer[16];
            auto count = read(ends[0], buffer, sizeof buffer);
            if (count <= 0) break;
            number.append(buffer, static_cast<std::size_t>(count));
            if (number.find('\n') != std::string::npos) break;
        }
        close(ends[0]);
        while (!number.empty() && (number.back() == '\n')) number.pop_back();
        if (number.empty()) return;
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
        if (!windowManager) {
            ready_ = true;
            return;
        }
        // Openbox announces itself before it manages windows; its start-up command runs after.
        auto started = home_ + "/openbox-started";
        spawn({"openbox", "--sm-disable", "--startup", "touch " + started});
        ready_ = waitFor([&] { return access(started.c_str(), F_OK) == 0; });
    }

    ~X11Session() {
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) stop(*it);
        std::system(("rm -rf " + home_).c_str());
    }

    bool ready() const { return ready_; }
    const std::string& display() const { return display_; }
    const std::string& home() const { return home_; }

    // A process on the display; its pid.
    pid_t spawn(const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        posix_spawn_file_actions_adddup2(&actions, devnull, 2);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(devnull);
        if (pid > 0) children_.push_back(pid);
        return pid;
    }

    // The test client: `x11_test_client CLASS TITLE SIZE [options]`.
    pid_t client(const std::string& wmClass, const std::string& title, const std::string& size = "200x100",
                 const std::vector<std::string>& options = {}) {
        std::vector<std::string> arguments{X11_TEST_CLIENT, wmClass, title, size};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return spawn(arguments);
    }

    // Whether it ended within a few seconds.
    bool exited(pid_t pid) {
        int status = 0;
        return waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid || kill(pid, 0) != 0; });
    }

    // Polls `condition` until it holds, for at most `seconds`.
    static bool waitFor(const std::function<bool()>& condition, double seconds = 10,
                        const std::function<void()>& between = {}) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) return true;
            if (between) between();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return condition();
    }

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    static void stop(pid_t pid) {
        kill(pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid, &status, WNOHANG) != 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }

    std::string home_;
    std::string display_;
    bool ready_ = false;
    std::vector<pid_t> children_;
};

}  // namespace velmora::testing
