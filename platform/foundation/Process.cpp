#include "platform/foundation/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace platform {
namespace {

class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

void closeQuietly(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace

std::optional<std::string> Process::runCollectingOutput(const std::string& executable,
                                                        const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
    const int readEnd = pipeEnds[0];
    const int writeEnd = pipeEnds[1];

    SpawnSetup setup;
    // dup2 clears close-on-exec on the copies, so only descriptors 1 and 2 reach the child.
    bool prepared =
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
        posix_spawn_file_actions_adddup2(&setup.actions, writeEnd, STDOUT_FILENO) == 0 &&
        posix_spawn_file_actions_adddup2(&setup.actions, writeEnd, STDERR_FILENO) == 0;
    // The child starts with default signal handling and nothing blocked, whatever this process set up
    // (an ignored SIGPIPE would otherwise be inherited).
    sigset_t noSignals;
    sigset_t defaultSignals;
    sigemptyset(&noSignals);
    sigemptyset(&defaultSignals);
    sigaddset(&defaultSignals, SIGPIPE);
    prepared =
        prepared && posix_spawnattr_setsigmask(&setup.attributes, &noSignals) == 0 &&
        posix_spawnattr_setsigdefault(&setup.attributes, &defaultSignals) == 0 &&
        posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    if (!prepared) {
        closeQuietly(readEnd);
        closeQuietly(writeEnd);
        return std::nullopt;
    }

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawnError =
        ::posix_spawn(&child, executable.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    closeQuietly(writeEnd);
    if (spawnError != 0) {
        closeQuietly(readEnd);
        return std::nullopt;
    }

    std::string output;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(readEnd, buffer, sizeof buffer);
        if (count > 0) {
            output.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    closeQuietly(readEnd);

    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
    return output;
}

}  // namespace platform
