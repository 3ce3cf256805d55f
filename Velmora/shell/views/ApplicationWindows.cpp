#include "Velmora/shell/views/ApplicationWindows.h"

#include <utility>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/views/OnboardingWindow.h"
#include "Velmora/shell/views/SettingsWindow.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/MainMenuTransparentWindow.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarWindow.h"
#include "Velmora/tracking/ApplicationManager.h"

namespace Velmora {

Application::Services applicationWindowServices(Application::Services services) {
    if (!services.makeTaskbar) {
        // The bars' models open their main menus through this factory.
        MainMenuTransparentWindow::installFactory();
        services.makeTaskbar = [](const platform::Screen& screen,
                                  const std::shared_ptr<Application>& application) {
            auto model =
                Brindle::make<TaskbarViewModel>(screen, std::weak_ptr<WindowControllerList>(application));
            auto* view = new Taskbar(ApplicationManager::shared(), SettingsManager::shared(),
                                     Brindle::make<TimeManager>(), nullptr, model);
            auto window = TaskbarWindow::make(view);
            window->taskbarViewModel = model;
            window->setup(screen);
            return WindowController::of(window);
        };
    }
    if (!services.openSettings) {
        services.openSettings = [](std::function<void(const void*)> closed) {
            auto window =
                SettingsWindow::open([closed = std::move(closed)](const std::shared_ptr<BaseWindow>& window) {
                    closed(window.get());
                });
            return WindowController::of(std::shared_ptr<BaseWindow>(std::move(window)));
        };
    }
    if (!services.openOnboarding) {
        services.openOnboarding = [](std::function<void(const void*)> closed,
                                     std::function<void()> completed) {
            auto window = OnboardingWindow::open(
                [closed = std::move(closed)](const std::shared_ptr<BaseWindow>& window) {
                    closed(window.get());
                },
                std::move(completed));
            return WindowController::of(std::shared_ptr<BaseWindow>(std::move(window)));
        };
    }
    return services;
}

}  // namespace Velmora
