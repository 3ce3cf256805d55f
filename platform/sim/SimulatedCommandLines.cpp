#include <algorithm>
#include <cctype>

#include "platform/sim/CommandLine.h"
#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {
namespace {

constexpr const char* dockBundleIdentifier = "com.apple.dock";

// The other platform's tools that act on its own preferences and processes: on the host they
// would be missing or, worse, end the user's processes of that name.
bool isDockControl(const std::string& program) { return program == "defaults" || program == "killall"; }

// A signal option of killall: "-9", "-KILL" or "-SIGKILL".
bool isSignalOption(const std::string& option) {
    if (option.size() < 2 || option.front() != '-') return false;
    auto name = option.substr(1);
    if (std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }))
        return name.size() <= 2;
    if (name.rfind("SIG", 0) == 0) name = name.substr(3);
    for (const char* known :
         {"HUP", "INT", "QUIT", "ABRT", "KILL", "ALRM", "TERM", "USR1", "USR2", "STOP", "CONT"})
        if (name == known) return true;
    return false;
}

CommandResult killallUsage() { return {1, "usage: killall [-SIGNAL] procname ...\n"}; }

}  // namespace

std::optional<std::string> SimulatedDesktop::runCommandLine(const std::string& commandLine) {
    auto result = simulateCommandLine(commandLine);
    if (!result) return std::nullopt;
    return std::move(result->output);
}

std::optional<CommandResult> SimulatedDesktop::simulateCommandLine(const std::string& commandLine) {
    const auto line = CommandLine::parse(commandLine);
    const auto programs = line.programs();
    if (std::none_of(programs.begin(), programs.end(), isDockControl)) return std::nullopt;

    CommandResult result;
    if (!line.parseError.empty()) {
        result = {1, line.parseError + "\n"};
    } else if (!line.unsupported.empty() || !std::all_of(programs.begin(), programs.end(), isDockControl)) {
        // Half of such a line would have to run on the host; none of it runs.
        auto what = line.unsupported.empty() ? "another program" : "\"" + line.unsupported + "\"";
        result = {1,
                  "simulated desktop: a line with defaults or killall runs only those, joined by ;, && "
                  "or ||; this one has " +
                      what + ", so nothing of it was run\n"};
    } else {
        for (std::size_t index = 0; index < line.commands.size(); ++index) {
            const auto& command = line.commands[index];
            if (command.connector == CommandLine::Connector::ifSucceeded && result.status != 0) continue;
            if (command.connector == CommandLine::Connector::ifFailed && result.status == 0) continue;
            const std::vector<std::string> arguments(command.words.begin() + 1, command.words.end());
            auto step = programs[index] == "killall" ? killall(arguments) : defaults(arguments);
            result.status = step.status;
            result.output += step.output;
        }
    }
    nlohmann::json details{{"command", commandLine}, {"status", result.status}};
    if (!result.output.empty()) details["output"] = result.output;
    record("commandLine", std::move(details));
    return result;
}

CommandResult SimulatedDesktop::defaults(const std::vector<std::string>& arguments) {
    return change(
        [&](DesktopState& state, Announcements&) { return runDefaults(arguments, state.preferences); });
}

CommandResult SimulatedDesktop::killall(const std::vector<std::string>& arguments) {
    std::vector<std::string> names;
    for (const auto& argument : arguments) {
        if (names.empty() && argument.size() > 1 && argument.front() == '-') {
            if (!isSignalOption(argument)) return killallUsage();
            continue;
        }
        names.push_back(argument);
    }
    if (names.empty()) return killallUsage();

    struct Ended {
        std::int32_t pid = 0;
        std::string name;
        std::optional<std::int32_t> restartedAs;
    };
    auto ended = change([&](DesktopState& state, Announcements& announcements) {
        std::vector<std::uint64_t> matching;
        for (auto serial : state.running) {
            const auto* app = state.application(serial);
            // The program itself is not the simulated desktop's to end.
            if (serial != state.currentSerial && app->name &&
                std::find(names.begin(), names.end(), *app->name) != names.end())
                matching.push_back(serial);
        }
        std::vector<Ended> result;
        for (auto serial : matching) {
            const SimApplication previous = *state.application(serial);
            stop(state, serial);
            Ended entry{previous.pid, *previous.name, std::nullopt};
            if (previous.bundleIdentifier == dockBundleIdentifier) {
                // The system starts its Dock again at once, which then reads its preferences anew.
                ApplicationDescription dock;
                dock.name = previous.name;
                dock.bundleIdentifier = previous.bundleIdentifier;
                dock.bundlePath = previous.bundlePath;
                dock.icon = previous.iconPath;
                dock.policy = previous.policy;
                dock.unreadable = previous.unreadable;
                auto restarted = start(state, dock, previous.scenarioKey, std::nullopt, announcements);
                entry.restartedAs = state.application(restarted)->pid;
            }
            result.push_back(std::move(entry));
        }
        return result;
    });
    for (const auto& entry : ended) {
        if (entry.restartedAs) {
            record("restartDock", {{"previousPid", entry.pid}, {"pid", *entry.restartedAs}});
        } else {
            record("kill", {{"name", entry.name}, {"pid", entry.pid}});
        }
    }
    if (ended.empty()) return {1, "No matching processes belonging to you were found\n"};
    return {};
}

}  // namespace platform::sim
