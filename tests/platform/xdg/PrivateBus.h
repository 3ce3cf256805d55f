#pragma once
// A session bus of the test's own, programs that talk on it, and bounded waits on a GLib context.
#include <fcntl.h>
#include <gio/gio.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

extern char** environ;

namespace bus_testing {

// Runs `context` until `condition` holds, for at most `seconds`; a timeout source wakes it, so
// nothing sleeps and a wait that would hang fails instead.
inline bool iterateUntil(GMainContext* context, const std::function<bool()>& condition,
                         unsigned seconds = 30) {
    bool expired = false;
    auto* timeout = g_timeout_source_new_seconds(seconds);
    g_source_set_callback(
        timeout,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired, nullptr);
    g_source_attach(timeout, context);
    while (!condition() && !expired) g_main_context_iteration(context, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
    return condition();
}

// Starts a program; its pid, or 0.
inline pid_t spawn(const std::vector<std::string>& arguments, posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// Runs a program to its end (at most 30 seconds); its exit status, or -1.
inline int run(const std::vector<std::string>& arguments) {
    pid_t pid = spawn(arguments);
    if (!pid) return -1;
    // The process's descriptor becomes readable when it ends.
    int process = int(syscall(SYS_pidfd_open, pid, 0));
    pollfd ended{process, POLLIN, 0};
    if (process < 0 || poll(&ended, 1, 30000) != 1) kill(pid, SIGKILL);
    if (process >= 0) close(process);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Publishes a launcher entry's update for `uri` with `properties` ("{'count': <int64 3>}") from `bus`.
inline void publishLauncherUpdate(GDBusConnection* bus, const char* uri, const char* properties) {
    g_dbus_connection_emit_signal(
        bus, nullptr, "/x", "com.canonical.Unity.LauncherEntry", "Update",
        g_variant_new("(s@a{sv})", uri,
                      g_variant_parse(G_VARIANT_TYPE("a{sv}"), properties, nullptr, nullptr, nullptr)),
        nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
}

// A dbus-daemon of the test's own, stopped with the object. `address` is empty when it did not
// start.
class PrivateBus {
public:
    PrivateBus() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        // It warns that it may not raise its file limit, which is of no matter here.
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // A session bus that starts no service of the machine's own on demand.
        test_support::writeFile(config_ / "bus.conf",
                                "<busconfig><type>session</type><listen>unix:dir=" + config_.path() +
                                    "</listen><auth>EXTERNAL</auth><policy context='default'>"
                                    "<allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/>"
                                    "<allow own='*'/></policy></busconfig>");
        pid_ = spawn({"/usr/bin/dbus-daemon", "--config-file=" + (config_ / "bus.conf"), "--nofork",
                      "--nopidfile", "--print-address"},
                     &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // The daemon prints its address once it listens.
        std::string text;
        pollfd readable{fds[0], POLLIN, 0};
        while (pid_ && text.find('\n') == std::string::npos && poll(&readable, 1, 30000) > 0) {
            char buffer[256];
            auto count = read(fds[0], buffer, sizeof buffer);
            if (count <= 0) break;
            text.append(buffer, std::size_t(count));
        }
        close(fds[0]);
        if (auto end = text.find('\n'); end != std::string::npos) address = text.substr(0, end);
    }
    ~PrivateBus() {
        if (!pid_) return;
        // A stopped daemon takes its end only once it runs again.
        kill(pid_, SIGCONT);
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // A bus that stops answering, as a debugger or a frozen desktop leaves it, and runs again.
    void stop() const { kill(pid_, SIGSTOP); }
    void resume() const { kill(pid_, SIGCONT); }

    // `gdbus emit` of a launcher entry's update: a program that publishes and quits.
    int emitLauncherUpdate(const std::string& uri, const std::string& properties) const {
        // On the session bus: with --address gdbus would talk before the bus knows its name.
        return run({"/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=" + address, "/usr/bin/gdbus", "emit",
                    "--session", "--object-path", "/x", "--signal",
                    "com.canonical.Unity.LauncherEntry.Update", "'" + uri + "'", properties});
    }

    std::string address;

private:
    test_support::TemporaryFolder config_;
    pid_t pid_ = 0;
};

// A bus address whose socket takes connections and never says a word.
class SilentBus {
public:
    SilentBus() {
        socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        auto path = folder_ / "bus";
        path.copy(where.sun_path, sizeof where.sun_path - 1);
        if (socket_ >= 0 && bind(socket_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 &&
            listen(socket_, 64) == 0)
            address = "unix:path=" + path;
    }
    ~SilentBus() {
        if (socket_ >= 0) close(socket_);
    }
    SilentBus(const SilentBus&) = delete;
    SilentBus& operator=(const SilentBus&) = delete;

    std::string address;

private:
    test_support::TemporaryFolder folder_;
    int socket_ = -1;
};

}  // namespace bus_testing
