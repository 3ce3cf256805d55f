#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Brindle/Object.h"
#include "Brindle/ObjectState.h"
#include "Velmora/taskbar/MainMenuWindow.h"
#include "platform/system/Screen.h"
#include "rx/Rx.h"

namespace Velmora {

class ApplicationManager;
class DockManager;
class EventManager;
class UpdateManager;

// A window the application keeps open, whatever its kind: the window itself (which the entry keeps
// alive and which is its identity) and how to close it.
struct WindowController {
    std::shared_ptr<void> window;
    std::function<void()> close;

    template <class W>
    static WindowController of(std::shared_ptr<W> window) {
        W* raw = window.get();
        return {std::move(window), [raw] { raw->close(); }};
    }
};

// The program's one application object: owns the application state machine and every window the
// program keeps open, and answers the event bus's settings and quit requests. Main thread only.
class Application : public Brindle::Object,
                    public Brindle::ObjectStateMachine<Application>,
                    public WindowControllerList {
public:
    // Nothing creates it.
    class LaunchArguments {};

    // What the application and its states talk to. Empty members take the shared instances; the
    // window makers are the views' (see views/ApplicationWindows.h).
    struct Services {
        std::shared_ptr<UpdateManager> updateManager;
        std::shared_ptr<DockManager> dockManager;
        std::shared_ptr<ApplicationManager> applicationManager;
        std::shared_ptr<EventManager> eventManager;
        // Creates the pointer-position poll; runs once, after the first states.
        std::function<void()> startMouseManager;
        // Builds and sets up the bar of `screen`.
        std::function<WindowController(const platform::Screen& screen, const std::shared_ptr<Application>&)>
            makeTaskbar;
        // Opens a settings window; `closed` runs with the window's identity when it closes.
        std::function<WindowController(std::function<void(const void* window)> closed)> openSettings;
        // Opens the onboarding window; `closed` runs whenever it closes, then `completed` when the
        // onboarding is complete (the window ends the process otherwise).
        std::function<WindowController(std::function<void(const void* window)> closed,
                                       std::function<void()> completed)>
            openOnboarding;
    };

    // Use `Brindle::make`: the state machine starts in postInit.
    explicit Application(Services services);
    void postInit() override;

    // The running application; none before one has finished starting.
    static std::shared_ptr<Application> current();

    const Services& services() const { return services_; }

    // Every window the application holds open, in opening order.
    const std::vector<WindowController>& windowControllers() const { return windowControllers_; }
    void appendWindowController(WindowController controller);
    // Removes every entry that is this very window.
    void removeWindowController(const void* window);
    // A bar's main-menu window while it is open.
    void appendWindowController(const std::shared_ptr<MainMenuWindow>& window) override {
        appendWindowController(WindowController::of(window));
    }
    void removeWindowController(const std::shared_ptr<MainMenuWindow>& window) override {
        removeWindowController(static_cast<const void*>(window.get()));
    }
    // Closes every listed window in list order (a close may remove its own entry meanwhile).
    void closeWindowControllers();
    void setWindowControllers(std::vector<WindowController> controllers) {
        windowControllers_ = std::move(controllers);
    }

    // Opens a further settings window (an open one is neither reused nor brought forward).
    void openSettingsWindow();
    // Switches to the termination state from whatever state is current, then ends the process.
    void quit();
    // The platform's will-terminate: the termination state from whatever state is current.
    void willTerminate();

    rx::DisposeBag disposeBag;

private:
    Services services_;
    std::vector<WindowController> windowControllers_;
};

// Keeps no behaviour; nothing reads it.
class FeatureAvailability : public Brindle::Object {
public:
    static std::shared_ptr<FeatureAvailability> shared();
};

}  // namespace Velmora
