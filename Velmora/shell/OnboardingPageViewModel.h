#pragma once

#include <string>

#include "Brindle/Object.h"
#include "rx/Published.h"

namespace Velmora {

// What the onboarding's one "next" button shows while a page is current. Main thread only.
class OnboardingPageViewModel : public Brindle::Object {
public:
    static constexpr const char* nextTitle = "Next";

    rx::Published<bool> showNextButton{true};
    rx::Published<std::string> nextButtonTitle{nextTitle};
};

// The welcome page: the button shows "Next" throughout.
class OnboardingPage1ViewModel final : public OnboardingPageViewModel {};

}  // namespace Velmora
