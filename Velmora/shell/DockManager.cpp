#include "Velmora/shell/DockManager.h"

#include <array>

#include "Brindle/Shell.h"
#include "platform/base/DispatchQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/DesktopSession.h"

namespace Velmora {
namespace {

constexpr const char* dontRestartDockKey = "dontRestartDock";

constexpr std::array hideCommands = {
    "defaults write com.apple.dock orientation left",
    "defaults write com.apple.dock autohide -bool true",
    "defaults write com.apple.dock autohide-delay -float 1000",
    "defaults write com.apple.dock no-bouncing -bool TRUE",
    "killall Dock",
};

constexpr std::array restoreCommands = {
    "defaults write com.apple.dock autohide -bool false && killall Dock",
    "defaults write com.apple.dock orientation bottom",
    "defaults delete com.apple.dock autohide-delay && killall Dock",
    "defaults write com.apple.dock no-bouncing -bool FALSE && killall Dock",
    "killall Dock",
};

}  // namespace

std::shared_ptr<DockManager> DockManager::shared() {
    static const auto* manager = new std::shared_ptr<DockManager>(Brindle::make<DockManager>());
    return *manager;
}

DockManager::DockManager(ShellRunner runShellCommand)
    : runShellCommand_(runShellCommand ? std::move(runShellCommand) : ShellRunner(Brindle::runShellCommand)) {
}

void DockManager::hideDock() {
    // A Linux desktop has no Dock, and `killall Dock` would end any process of that name.
    if (platform::DesktopSession::shared()) return;
    if (platform::UserDefaults::standard()->boolForKey(dontRestartDockKey)) return;
    if (isHidden_) return;
    isHidden_ = true;

    platform::DispatchQueue::global(platform::QualityOfService::userInteractive)
        ->async([self = sharedAs<DockManager>()] {
            for (const char* command : hideCommands) {
                std::lock_guard lock(self->commandMutex_);
                if (self->restoreStarted_) return;
                self->runShellCommand_(command);
            }
        });
}

void DockManager::restoreDock() {
    if (!isHidden_) return;
    std::unique_lock lock(commandMutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
        if (restoreWillWait) restoreWillWait();
        lock.lock();
    }
    restoreStarted_ = true;
    for (const char* command : restoreCommands) runShellCommand_(command);
}

}  // namespace Velmora
