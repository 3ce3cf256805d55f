#include "platform/system/System.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/system/AppleScript.h"
#include "platform/system/Application.h"
#include "platform/system/DesktopSession.h"
#include "platform/system/Event.h"
#include "platform/system/LoginItems.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace platform {
namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<System> system;
};

Installed& installed() {
    static auto* value = new Installed;
    return *value;
}

}  // namespace

std::shared_ptr<System> System::current() {
    std::shared_ptr<System> system;
    {
        std::lock_guard lock(installed().mutex);
        system = installed().system;
    }
    if (!system) {
        std::fprintf(stderr, "No system is installed: install the simulated desktop first\n");
        std::abort();
    }
    return system;
}

std::shared_ptr<System> System::install(std::shared_ptr<System> system) {
    std::lock_guard lock(installed().mutex);
    std::swap(installed().system, system);
    return system;
}

std::optional<std::string> System::runCommandLineOfInstalled(const std::string& commandLine) {
    std::shared_ptr<System> system;
    {
        std::lock_guard lock(installed().mutex);
        system = installed().system;
    }
    return system ? system->runCommandLine(commandLine) : std::nullopt;
}

std::shared_ptr<Workspace> Workspace::shared() { return System::current()->workspace(); }
std::shared_ptr<WindowList> WindowList::shared() { return System::current()->windowList(); }
std::shared_ptr<EventMonitors> EventMonitors::shared() { return System::current()->eventMonitors(); }
std::shared_ptr<LoginItems> LoginItems::shared() { return System::current()->loginItems(); }
std::shared_ptr<AppleScript> AppleScript::shared() { return System::current()->appleScript(); }
std::shared_ptr<Application> Application::shared() { return System::current()->application(); }
std::shared_ptr<DesktopSession> DesktopSession::shared() {
    std::shared_ptr<System> system;
    {
        std::lock_guard lock(installed().mutex);
        system = installed().system;
    }
    return system ? system->desktopSession() : nullptr;
}

}  // namespace platform
