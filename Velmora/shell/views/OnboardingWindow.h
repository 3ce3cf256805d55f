#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "Velmora/taskbar/views/BaseWindow.h"
#include "platform/system/Screen.h"

namespace Velmora {

class OnboardingView;

// The window around an OnboardingView; nothing of its own beyond BaseWindow.
class OnboardingWindow : public BaseWindow {
public:
    static constexpr const char* windowTitle = "Velmora";

    using BaseWindow::BaseWindow;

    // A new onboarding window titled "Velmora" around a new OnboardingView, sized to it and set
    // up for `display` (the main screen unless given): it comes to the front on the next turn of
    // the main queue. Whenever it closes ("Done!" or its close button), `closed` runs first (the
    // owner forgets the window); then, unless "Done!" has been pressed, the process ends with
    // status 0, else `completed` runs. The caller keeps the window.
    static std::shared_ptr<OnboardingWindow> open(OnClose closed, std::function<void()> completed,
                                                  std::optional<platform::Screen> display = std::nullopt,
                                                  OnboardingPage2ViewModel::Services services = {});

    OnboardingView* onboardingView() const;
};

}  // namespace Velmora
