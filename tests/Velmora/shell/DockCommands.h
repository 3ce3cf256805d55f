#pragma once

#include <string>
#include <vector>

namespace dock_testing {

// What hiding the Dock runs, in order.
inline const std::vector<std::string> hiding = {
    "defaults write com.apple.dock orientation left",
    "defaults write com.apple.dock autohide -bool true",
    "defaults write com.apple.dock autohide-delay -float 1000",
    "defaults write com.apple.dock no-bouncing -bool TRUE",
    "killall Dock",
};

// What restoring it runs, in order.
inline const std::vector<std::string> restoring = {
    "defaults write com.apple.dock autohide -bool false && killall Dock",
    "defaults write com.apple.dock orientation bottom",
    "defaults delete com.apple.dock autohide-delay && killall Dock",
    "defaults write com.apple.dock no-bouncing -bool FALSE && killall Dock",
    "killall Dock",
};

}  // namespace dock_testing
