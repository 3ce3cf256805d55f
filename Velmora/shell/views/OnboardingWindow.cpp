#include "Velmora/shell/views/OnboardingWindow.h"

#include <QPointer>

#include "Brindle/Object.h"
#include "Velmora/shell/views/OnboardingView.h"
#include "Velmora/shell/views/SettingsWindow.h"
#include "platform/base/Process.h"

namespace Velmora {

std::shared_ptr<OnboardingWindow> OnboardingWindow::open(OnClose closed, std::function<void()> completed,
                                                         std::optional<platform::Screen> display,
                                                         OnboardingPage2ViewModel::Services services) {
    // Weak, so that the view's closure does not keep its own window alive.
    auto holder = std::make_shared<std::weak_ptr<OnboardingWindow>>();
    auto* view = new OnboardingView(
        [holder] {
            if (auto window = holder->lock()) window->close();
            holder->reset();
        },
        std::move(services));
    auto window = Brindle::make<OnboardingWindow>(view);
    *holder = window;

    window->setup(display ? *display : mainDisplay(),
                  [holder, closed = std::move(closed), completed = std::move(completed),
                   view = QPointer<OnboardingView>(view)](const std::shared_ptr<BaseWindow>& window) {
                      if (closed) closed(window);
                      holder->reset();
                      if (!view || !view->onboardingCompleted.value()) {
                          platform::exitProcess(0);
                          return;
                      }
                      if (completed) completed();
                  });
    window->setTitle(windowTitle);
    return window;
}

OnboardingView* OnboardingWindow::onboardingView() const {
    return qobject_cast<OnboardingView*>(contentView());
}

}  // namespace Velmora
