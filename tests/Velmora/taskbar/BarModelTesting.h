#pragma once

#include <gtest/gtest.h>

#include <stdexcept>

#include "Velmora/taskbar/TaskbarViewModel.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"

namespace bar_testing {

using Strings = std::vector<std::string>;

// Notes is active, Music runs with one window, Mail with two (one minimised), and Photos is pinned
// but not running.
inline constexpr const char* buttonsScenario = R"({"applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.example.notes", "active": true,
     "icon": "icons/notes.png", "windows": [{"title": "List", "frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Music", "bundleIdentifier": "com.example.music", "icon": "icons/music.png",
     "windows": [{"title": "Library", "frame": [50, 50, 700, 500]}]},
    {"pid": 503, "name": "Mail", "bundleIdentifier": "com.example.mail", "icon": "icons/mail.png",
     "windows": [{"title": "Inbox", "frame": [10, 25, 800, 600]},
                 {"title": "Draft", "frame": [900, 25, 300, 300], "minimized": true}]}],
  "installed": [{"name": "Photos", "bundleIdentifier": "com.example.photos", "icon": "icons/photos.png"}],
  "defaults": {"pinned": ["file:///Applications/Photos.app/"]}})";

struct FakeWindowControllers : Velmora::WindowControllerList {
    using Window = std::shared_ptr<Velmora::MainMenuWindow>;
    void appendWindowController(const Window& window) override { windows.push_back(window); }
    void removeWindowController(const Window& window) override { std::erase(windows, window); }
    std::vector<Window> windows;
};

// Records what it is told; closing runs the handler once per set-up, as the program's windows do.
struct FakeMenuWindow : Velmora::MainMenuWindow, std::enable_shared_from_this<FakeMenuWindow> {
    explicit FakeMenuWindow(Content content) : content(std::move(content)) {}
    void setCloseOnResignKey(bool value) override { closeOnResignKey = value; }
    void setup(const platform::Screen& screen, OnClose handler) override {
        display = screen, onClose = std::move(handler), ++setups;
    }
    void setFrame(const platform::Rect& rect, bool) override { frame = rect; }
    void makeKeyAndOrderFront() override { open = true; }
    void close() override {
        open = false;
        if (auto handler = std::exchange(onClose, nullptr)) handler(shared_from_this());
    }
    Content content;
    std::optional<platform::Screen> display;
    OnClose onClose;
    platform::Rect frame;
    bool closeOnResignKey = false, open = false;
    int setups = 0;
};

// A simulated desktop, fresh settings, a manager and fake menu windows on the test's own loop (a
// virtual one, or the widget tests' one). Refreshes wait on a manual queue: the bars see the lists a
// test publishes, or one real refresh when it calls `refresh()`.
template <class Loop>
struct BarHarness : test_support::DesktopHarness<Loop> {
    explicit BarHarness(const std::string& json = "{}") : test_support::DesktopHarness<Loop>(json) {
        Velmora::MainMenuWindow::setFactory([this](const Velmora::MainMenuWindow::Content& content) {
            return menus.emplace_back(std::make_shared<FakeMenuWindow>(content));
        });
    }
    ~BarHarness() { Velmora::MainMenuWindow::setFactory(nullptr); }
    std::shared_ptr<Velmora::TaskbarViewModel> makeBar(std::size_t screen = 0) {
        return Brindle::make<Velmora::TaskbarViewModel>(platform::Screens::screens().at(screen), controllers,
                                                        this->manager);
    }
    void publish(Velmora::TaskList tasks) { this->manager->tasksRelay.accept(std::move(tasks)); }
    // A running application's task, as a refresh makes it.
    std::shared_ptr<Velmora::Task> running(std::int32_t pid, bool active = false) {
        auto application = this->desktop->runningApplication(pid);
        return Brindle::make<Velmora::Task>(application, 0, Velmora::applicationIdentity(*application),
                                            active, pid, *application->localizedName(), std::nullopt,
                                            Velmora::Windows{});
    }
    static std::shared_ptr<Velmora::Task> notRunning(const std::string& name) {
        auto bundle = *platform::URL::fromString("file:///Applications/" + name + ".app/");
        return Brindle::make<Velmora::Task>(nullptr, 0, bundle, false, 0, name, std::nullopt,
                                            Velmora::Windows{});
    }
    std::shared_ptr<FakeWindowControllers> controllers = std::make_shared<FakeWindowControllers>();
    std::vector<std::shared_ptr<FakeMenuWindow>> menus;
};

using Harness = BarHarness<platform::testing::VirtualMainLoop>;

inline Strings titles(const Velmora::TaskbarViewModel& bar) {
    Strings result;
    for (const auto& button : bar.tasks.value()) result.push_back(button->title);
    return result;
}

inline std::shared_ptr<Velmora::TaskbarButtonViewModel> button(const Velmora::TaskbarViewModel& bar,
                                                               const std::string& title) {
    for (const auto& button : bar.tasks.value())
        if (button->title == title) return button;
    throw std::out_of_range("no button " + title);
}

// The button scenario's bar after one real refresh, with the action log and the refresh count
// cleared.
template <class Loop>
struct ButtonsDesktop : BarHarness<Loop> {
    ButtonsDesktop() : BarHarness<Loop>(buttonsScenario) {
        this->refresh();
        this->desktop->clearActions();
        this->updates = 0;
    }
    std::shared_ptr<Velmora::TaskbarButtonViewModel> model(const std::string& title) const {
        return button(*bar, title);
    }
    nlohmann::json details(std::size_t action) const { return this->desktop->actions().at(action).details; }
    std::shared_ptr<Velmora::TaskbarViewModel> bar = this->makeBar();
};

}  // namespace bar_testing
