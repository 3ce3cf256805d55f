#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Child processes started with posix_spawn. Every pipe is made close-on-exec, so a child started at
// the same time by another thread never inherits it (an inherited write end would keep the reader
// waiting until that unrelated child exits).
class Process {
public:
    // Runs `executable` with `arguments` (not counting the program name) and the environment of this
    // process; standard input is /dev/null, standard output and standard error share one pipe.
    // Reads that pipe to its end, which comes when the child and every process that inherited the
    // pipe from it have closed it, then reaps the child. None when the child cannot be started.
    // Blocks the calling thread; may be called from any thread.
    static std::optional<std::string> runCollectingOutput(const std::string& executable,
                                                          const std::vector<std::string>& arguments);
};

}  // namespace platform
