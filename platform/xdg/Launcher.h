#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/xdg/DesktopEntries.h"

namespace platform::xdg {

// What starting a program came to: the processes started, or why nothing was.
struct LaunchOutcome {
    std::vector<int> pids;
    std::optional<std::string> error;

    bool ok() const { return !error; }
};

// Starts an entry through GIO (field codes filled, a terminal of GIO's choice for Terminal=true),
// with the addresses given. The started processes are reaped when they end.
LaunchOutcome launchEntry(const DesktopEntry& entry, const std::vector<std::string>& uris = {});
// Hands an address (a web address, a folder's file address, "trash:///") to the user's default
// application for it, as mimeapps.list chooses.
LaunchOutcome openURI(const std::string& uri);
// The address a folder opens as: the other platform's trash folder ("~/.Trash") is the desktop's
// trash ("trash:///"); any other path is its file address.
std::string folderURI(const std::string& path);
// Runs a program found on PATH without waiting for it, in `workingDirectory` unless that is empty;
// an exit status other than 0 is printed.
LaunchOutcome runCommand(const std::vector<std::string>& arguments, const std::string& workingDirectory = {});
bool isOnPath(const std::string& program);

}  // namespace platform::xdg
