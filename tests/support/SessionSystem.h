#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/DesktopSession.h"
#include "platform/system/System.h"

namespace test_support {

// A Linux desktop session that records what it is asked.
class RecordingSession final : public platform::DesktopSession {
public:
    void suspend() override { calls.emplace_back("suspend"); }
    void reboot(Confirmation confirm) override { calls.emplace_back("reboot"), confirmation = confirm; }
    void powerOff(Confirmation confirm) override { calls.emplace_back("powerOff"), confirmation = confirm; }
    bool canOpenTerminal() override { return hasTerminal; }
    bool openTerminal() override { return calls.emplace_back("openTerminal"), true; }
    std::optional<std::string> folder(Folder folder) override {
        auto found = folders.find(folder);
        return found == folders.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    std::vector<std::string> calls;
    // What the last restart or shut-down would ask before going round a session manager.
    Confirmation confirmation;
    bool hasTerminal = true;
    std::map<Folder, std::string> folders;
};

// Another system (the simulated desktop) with such a session, as the program finds it on X11.
class SessionSystem final : public platform::System {
public:
    explicit SessionSystem(std::shared_ptr<platform::System> base) : base_(std::move(base)) {}

    std::shared_ptr<platform::Workspace> workspace() override { return base_->workspace(); }
    std::shared_ptr<platform::Accessibility> accessibility() override { return base_->accessibility(); }
    std::shared_ptr<platform::WindowList> windowList() override { return base_->windowList(); }
    std::shared_ptr<platform::EventMonitors> eventMonitors() override { return base_->eventMonitors(); }
    std::shared_ptr<platform::LoginItems> loginItems() override { return base_->loginItems(); }
    std::shared_ptr<platform::AppleScript> appleScript() override { return base_->appleScript(); }
    std::shared_ptr<platform::Application> application() override { return base_->application(); }
    std::shared_ptr<platform::DesktopSession> desktopSession() override { return session; }

    const std::shared_ptr<RecordingSession> session = std::make_shared<RecordingSession>();

private:
    std::shared_ptr<platform::System> base_;
};

}  // namespace test_support
