#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace platform::sim {

// What a command run on the simulated desktop gives back: its exit status and what it wrote to
// standard output and standard error together.
struct CommandResult {
    int status = 0;
    std::string output;

    friend bool operator==(const CommandResult&, const CommandResult&) = default;
};

// The other platform's preference domains, each an object of typed values (bool, integer, float,
// string) by key.
using PreferenceDomains = std::map<std::string, nlohmann::json>;

// Runs the other platform's `defaults` with `arguments` (the words after its name) on `domains`:
// "read" (a key or a whole domain), "read-type", "write" (of a bool, integer, float or string)
// and "delete" (a key or a whole domain). Anything else fails with status 1 and changes nothing,
// as the real command fails on what it does not know.
CommandResult runDefaults(const std::vector<std::string>& arguments, PreferenceDomains& domains);

}  // namespace platform::sim
