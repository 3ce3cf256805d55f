#include <future>
#include <utility>

#include "Brindle/MainQueue.h"
#include "Velmora/settings/EventManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/system/Alert.h"
#include "platform/system/AppleScript.h"
#include "platform/system/DesktopSession.h"
#include "platform/system/Workspace.h"
#include "rx/Unit.h"

namespace Velmora {
namespace {

// Runs `block` on `queue` and waits for it. A block the queue drops without running (a pool that
// has stopped) ends the wait too, instead of leaving the caller blocked for ever.
void runAndWait(platform::DispatchQueue& queue, const std::function<void()>& block) {
    struct Done {
        std::promise<void> promise;
        ~Done() { promise.set_value(); }
    };
    auto done = std::make_shared<Done>();
    auto finished = done->promise.get_future();
    queue.async([done = std::move(done), block]() mutable {
        block();
        done.reset();
    });
    finished.wait();
}

constexpr const char* restartAlertTitle = "Restart now?";
constexpr const char* restartButtonTitle = "Restart";
constexpr const char* shutDownAlertTitle = "Shut down now?";
constexpr const char* shutDownButtonTitle = "Shut down";
constexpr const char* powerAlertText = "Open programs will close without saving their work.";
constexpr const char* cancelButtonTitle = "Cancel";

// Asked only where no session manager lets the programs save and the user confirm: a stray click
// must not end everything unsaved, so Cancel is the default.
bool confirmPower(const char* title, const char* button) {
    platform::Alert alert;
    alert.messageText = title;
    alert.informativeText = powerAlertText;
    alert.addButton(button);
    alert.addButton(cancelButtonTitle);
    alert.defaultButton = 1;
    return alert.runModal() == platform::alertFirstButtonReturn;
}

}  // namespace

void MainMenuViewModel::openFolder(const Directory& directory) {
    auto openers = App::resolve(App::folderOpeners(), *services_.applicationManager);
    auto workspace = platform::Workspace::shared();
    if (openers.empty()) {
        // The viewer is given a path, so the address's percent escapes are decoded.
        workspace->selectFile(std::nullopt, directory.path());
        return;
    }
    workspace->open({directory.url}, openers.front()->bundlePath, platform::OpenConfiguration{}, nullptr);
}

void MainMenuViewModel::openApp(const std::shared_ptr<Task>& task) {
    platform::Workspace::shared()->open(task->bundlePath);
}

void MainMenuViewModel::openAppAndClose(const std::shared_ptr<Task>& task) {
    openApp(task);
    close();
}

void MainMenuViewModel::runAppleScript(const std::string& source) {
    if (auto script = platform::AppleScript::shared()) script->execute(source);
}

void MainMenuViewModel::runOnBackgroundAndClose(const std::function<void()>& block) {
    runAndWait(*Brindle::globalUserInteractiveQueue(), block);
    close();
}

void MainMenuViewModel::showSettings() { EventManager::shared()->showSettings.onNext(rx::Unit{}); }

void MainMenuViewModel::hide() {
    EventManager::shared()->hideOnScreen.onNext(screen);
    close();
}

void MainMenuViewModel::quit() { EventManager::shared()->exit.onNext(rx::Unit{}); }

void MainMenuViewModel::openTerminal(const std::shared_ptr<Task>& terminal) {
    if (terminal) return openApp(terminal);
    if (auto session = platform::DesktopSession::shared()) session->openTerminal();
}

void MainMenuViewModel::sleepNow() {
    if (auto session = platform::DesktopSession::shared())
        session->suspend();
    else if (services_.runShellCommand)
        services_.runShellCommand(sleepCommand);
    close();
}

void MainMenuViewModel::restart() {
    if (auto session = platform::DesktopSession::shared()) {
        session->reboot([] { return confirmPower(restartAlertTitle, restartButtonTitle); });
        return close();
    }
    runOnBackgroundAndClose([this] { runAppleScript(restartScript); });
}

void MainMenuViewModel::shutDown() {
    if (auto session = platform::DesktopSession::shared()) {
        session->powerOff([] { return confirmPower(shutDownAlertTitle, shutDownButtonTitle); });
        return close();
    }
    runOnBackgroundAndClose([this] { runAppleScript(shutDownScript); });
}

}  // namespace Velmora
