#pragma once

#include <string>

namespace Brindle {

// Runs one command line with "/bin/zsh -c" and returns what it wrote to standard output and standard
// error together, once that output has been closed (by the shell and by anything it left running
// with it). Not valid UTF-8 is decoded with replacement characters; a shell that cannot be started
// gives "". A line the installed system carries out itself (the simulated desktop's Dock control)
// never reaches the host. Blocks the calling thread; may be called from any thread.
std::string runShellCommand(const std::string& command);

}  // namespace Brindle
