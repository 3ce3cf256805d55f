#include "Velmora/shell/views/ApplicationWindows.h"

#include <utility>

#include "Velmora/shell/views/OnboardingWindow.h"
#include "Velmora/shell/views/SettingsWindow.h"

namespace Velmora {

Application::Services applicationWindowServices(Application::Services services) {
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
