#pragma once

#include <string>
#include <vector>

namespace platform::sim {

// A command line read the way zsh reads a plain list: words split at blanks, with quotes and
// backslashes taken away, and commands joined by ";", a new line, "&&" or "||". What zsh would do
// beyond that (pipes, redirections, expansions, globs, subshells, background jobs) is only noted,
// so that the caller can refuse a line it cannot run faithfully.
struct CommandLine {
    enum class Connector { always, ifSucceeded, ifFailed };

    struct Command {
        // How the command follows the one before; the first one always runs.
        Connector connector = Connector::always;
        std::vector<std::string> words;
    };

    // With a parse error, the commands read on the way; none of them would run.
    std::vector<Command> commands;
    // The first construct that is not a plain list ("|", ">", "$", "*"…); empty when none.
    std::string unsupported;
    // What zsh would say of text it cannot parse (an unclosed quote, "&&" without a command
    // before it); empty when none. zsh runs nothing of such a line.
    std::string parseError;

    static CommandLine parse(const std::string& text);

    // The program each command names: the last component of its first word.
    std::vector<std::string> programs() const;
};

}  // namespace platform::sim
